printf '#  define BEGIN_NS namespace x {\n#define M(a) \\\n  do { f(a); /* (see\n  g) */ \\\n  } while (0\nint f(int a) { return a; }\n' > good.c
printf '#define A (\nint g() { return (1; }\n' > bad.c
