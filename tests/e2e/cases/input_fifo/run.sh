# The checked file is a FIFO, written while the checker reads it. The writer
# gives up after a while should the checker never open the FIFO.
mkfifo fifo
timeout 10 sh -c "printf 'a {\n} b\n' >fifo" &
exec -a tamberlox "$1" fifo
