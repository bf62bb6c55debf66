# A large file first, then many small ones: reported in the order given.
yes "{ x }" | head -n 200000 > big
echo "{" >> big
for i in $(seq 1 40); do printf '}%.0s\n' > "f$i"; done
{ echo "big:200001:1: error: '{' is never closed"; echo "big: error: counts differ: '{' 200001, '}' 200000"
  for i in $(seq 1 40); do echo "f$i:1:1: error: '}' closes nothing"; echo "f$i: error: counts differ: '{' 0, '}' 1"; done; } > "$E2E_EXPECTED/stdout"
echo 1 > "$E2E_EXPECTED/status"
