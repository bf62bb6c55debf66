# 64 MiB of address space: a line of any length needs no memory of its own.
ulimit -v 65536
# One thread: the input is large enough for several, whose stacks, allocator
# arenas and ranges in flight take address space by how the threads happen to
# interleave, which a loaded machine changes.
TAMBERLOX_THREADS=1 exec -a tamberlox "$1" input
