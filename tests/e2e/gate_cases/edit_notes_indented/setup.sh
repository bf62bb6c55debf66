# A close missing inside a function, one missing at the end of a top-level
# block, an open missing inside a block, and one-line blocks each losing a name.
cat > inner_close.c <<'C'
int f(void)
{
    if (x) {
        a();
        b();
    c();
    return 0;
}

int g(void)
{
    return 1;
}
C
cat > last_close.c <<'C'
int g(void)
{
    return 1;
}

int f(void)
{
    a();
C
cat > inner_open.c <<'C'
int f(void)
{
    while (x)
        a();
        b();
    }
    return 0;
}
C
cat > tabs.c <<'C'
int f(void)
{
	if (x) {
		a();

	b();
}
C
cat > one_line.c <<'C'
namespace n {
struct a { int x; };
struct b { int y; ;
struct c {
    int z;
};
}
C
cat > one_line_open.c <<'C'
namespace n {
struct a { int x; };
struct b  int y; };
}
C
