"$1" input
TMPDIR=/nonexistent-folder exec -a tamberlox-gate "$1" input2
