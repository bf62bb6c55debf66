# A tab and a two-byte character before the names: SARIF counts code points.
printf '\t\303\251<b><i>\n' > page.html
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../.." && pwd)
version=$(sed -n 's/^project(tamberlox VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
sed "s/@VERSION@/$version/" "$(dirname "${BASH_SOURCE[0]}")/stdout.in" >"$E2E_EXPECTED/stdout"
