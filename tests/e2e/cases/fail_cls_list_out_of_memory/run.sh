# 64 MiB of address space: the checker needs about 8 MiB for a small check.
ulimit -v 65536
exec -a tamberlox "$1" input
