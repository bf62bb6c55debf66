cd site/sub && exec -a tamberlox-gate "$1" index.html ../../src/f.c ../../src/f.txt
