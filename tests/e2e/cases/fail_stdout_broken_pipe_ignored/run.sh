# Standard output is a pipe whose reader leaves without reading anything. The
# checker starts with SIGPIPE ignored, whatever the harness has, so the write
# fails with EPIPE and is reported.
env --ignore-signal=PIPE "$1" input | env --default-signal=PIPE true
exit "${PIPESTATUS[0]}"
