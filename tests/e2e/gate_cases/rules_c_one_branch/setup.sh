# A piece of a header that the build pastes before another: its brace is a
# warning. A parenthesis too many under #if is still an error.
printf '%s\n' '#ifdef __cplusplus' 'extern "C" {' '#endif' 'int g(void);' >head.h
printf '%s\n' 'void h(int a) {' '#if DEBUG' '  log(a));' '#endif' '}' >debug.c
# Digit separators and raw strings hold no brackets: no finding.
printf '%s\n' 'int a = f(1'"'"'000);' 'int b = g(0x3f80'"'"'0000, u8'"'"'('"'"');' \
    'auto s = h(R"(x)y)");' >lit.cc
