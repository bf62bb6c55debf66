printf '<%% {%%25} %%>\n<%%\n' > '50%,a:b.txt'
