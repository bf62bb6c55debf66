# 64 MiB of address space: the checker needs about 8 MiB for a small check.
ulimit -v 65536
# One thread: the input is large enough for several, whose stacks, allocator
# arenas and ranges in flight take address space by how the threads happen to
# interleave, which a loaded machine changes.
TAMBERLOX_THREADS=1 exec -a tamberlox "$1" input
