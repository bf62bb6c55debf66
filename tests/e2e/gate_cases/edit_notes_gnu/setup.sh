# The GNU style: a class whose labels stand at its braces' indentation, a
# switch whose cases do, a body with a directive at column 0 and a comment
# block, a short block written on from its open's line, and a namespace left
# open in the branch that holds it.
cat > class_close.cc <<'C'
namespace n
{
  class a
    {
    public:
      int f();
    private:
      int x;
    ;

  int g();
}
C
cat > switch_open.cc <<'C'
int f(int x)
{
  switch (x)
    case 1:
      return 2;
    case 2:
      return 3;
    }
  return 0;
}
C
cat > directive_open.cc <<'C'
namespace n
{
  int
  f(int a,
    int b)
    a = b;
#if X
    b = a;
#endif
    /* a comment
       of two lines */
    return a;
  }
}
C
cat > continued_block.cc <<'C'
struct s
{
  int f() const
  { return g(1,
             2); }
  int h() const
    return 1; }
};
C
cat > branch_close.cc <<'C'
#ifndef H
#define H 1
namespace n
{
int f();
namespace m
{
int g();
}
int h();

#endif
C
