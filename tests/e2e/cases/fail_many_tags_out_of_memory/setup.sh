# 40 million names, balanced so that the report would stay short: even at one
# byte per occurrence the occurrence list outgrows 64 MiB.
yes "$(printf '{}%.0s' $(seq 500))" | head -n 40000 >input
