# 64 MiB of address space: a line of any length needs no memory of its own.
ulimit -v 65536
exec -a tamberlox "$1" input
