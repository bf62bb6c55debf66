printf 'a {\n} b\n' | exec -a tamberlox "$1" /dev/stdin
