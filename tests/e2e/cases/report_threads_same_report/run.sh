# Three threads and one give the same report, byte for byte.
TAMBERLOX_THREADS=1 "$1" input >one_thread || exit
TAMBERLOX_THREADS=3 "$1" input >three_threads || exit
cmp one_thread three_threads && tail -n 5 three_threads
