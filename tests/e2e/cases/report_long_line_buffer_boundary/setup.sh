# Line 1 is 312,157 bytes long. With the 262,144-byte read buffer, the second
# "<tag>" (bytes 262,140 to 262,144) straddles the end of the first buffer fill;
# names stand before it and well behind it. Line 2 follows the long line.
fill() { head -c "$1" /dev/zero | tr '\0' x; }
{
    printf '<tag>'
    fill 262135
    printf '<tag></tag>'
    fill 50000
    printf '</tag>\n<tag></tag>\n'
} >input
