# About 22 MB over many ranges: nesting that climbs and falls across range
# edges, a close at level 0 late in the file, CRs before line ends, and a
# 0x1A near the end with names behind it.
awk 'BEGIN {
    for (i = 0; i < 480000; i++) {
        if (i % 7 == 0) printf "<p> text {\r\n";
        else if (i % 7 == 3) printf "} more </p> text </p\r>\n";
        else printf "plain text of a line, some words here <p>{ } </p> and on\n";
    }
    printf "}\n";
    for (i = 0; i < 300; i++) printf "<p>\n";
    printf "end \032 <p> {\n";
    for (i = 0; i < 1000; i++) printf "</p>\n";
}' >input
