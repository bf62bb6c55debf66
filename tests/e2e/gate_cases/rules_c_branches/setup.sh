# A file whose branches differ: its unmatched names are warnings.
printf '%s\n' '#ifdef X' 'int h(void) {' '#else' 'int h(void);' '#endif' '}' '}' >differ.c
