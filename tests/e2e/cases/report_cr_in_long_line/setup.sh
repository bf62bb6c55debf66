# A CR ends the text of its whole line, however long: the close names behind the
# CR on lines 1 and 3 (one 5,000 bytes on, one past the read buffer) are not read.
fill() { head -c "$1" /dev/zero | tr '\0' x; }
{
    printf '{xxxxxxxx\r'
    fill 5000
    printf '}'
    fill 300000
    printf '}\n}\n'
    fill 300000
    printf '\r}\n'
} >input
