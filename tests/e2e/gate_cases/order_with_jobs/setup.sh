# A large file first, then many small ones and one with many findings, which
# waits for its turn unformatted: reported in the order given.
yes "{ x }" | head -n 200000 > big
echo "{" >> big
for i in $(seq 1 40); do printf '}%.0s\n' > "f$i"; done
printf '{%.0s' $(seq 1 300) > many
small() { for i in "$@"; do echo "f$i:1:1: error: '}' closes nothing"; done; }
{ echo "big:200001:1: error: '{' is never closed"
  small $(seq 1 20)
  for i in $(seq 1 300); do echo "many:1:$i: error: '{' is never closed"; done
  small $(seq 21 40); } > "$E2E_EXPECTED/stdout"
echo 1 > "$E2E_EXPECTED/status"
