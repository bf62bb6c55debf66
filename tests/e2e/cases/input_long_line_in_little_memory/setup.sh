# One line of 200 MB (a sparse file of NUL bytes, without a line end).
truncate -s 200M input
