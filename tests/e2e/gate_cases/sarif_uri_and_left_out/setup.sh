mkdir "sub dir"
printf "<ul><li>\n<li>\n" > "sub dir/50% é:x.html"
# The tool's version in the expected document is the project's.
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../.." && pwd)
version=$(sed -n 's/^project(tamberlox VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
sed "s/@VERSION@/$version/" "$(dirname "${BASH_SOURCE[0]}")/stdout.in" >"$E2E_EXPECTED/stdout"
