# A report of about 300 KB: more than a pipe holds.
printf '{}\n%.0s' $(seq 12000) >input
