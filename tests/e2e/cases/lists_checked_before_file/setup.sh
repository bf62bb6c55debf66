# Opening this FIFO would block: no one writes to it.
mkfifo input
