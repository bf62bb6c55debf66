# Reading a process's own memory from offset 0 fails with EIO.
ln -s /proc/self/mem _tamberlox_opn.txt
