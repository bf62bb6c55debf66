# A report of about 300 KB: more than a pipe holds.
yes '{}' | head -n 12000 >input
