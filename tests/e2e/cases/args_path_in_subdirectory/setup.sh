mkdir sub
printf "f() {\n  return;\n}\n" > sub/code.c
