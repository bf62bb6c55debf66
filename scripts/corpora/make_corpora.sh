#!/bin/sh
# Fetches the real files the example sets are judged on, outside the repository,
# and writes the file lists, split into the files the sets were tuned on and
# files held out. Needs apt-get (Debian 12), dpkg-deb and network access.
#
# Usage: make_corpora.sh DIR     (e.g. /work/corpora)
set -eu
dir=$1
mkdir -p "$dir/debs" "$dir/x"
cd "$dir/debs"
packages="libglib2.0-doc python3.11-doc postgresql-doc-15 libgtk-3-doc python-django-doc
  libstdc++-12-doc texlive-latex-base texlive-latex-recommended texlive-pictures python3-sphinx
  sphinx-common python3-django"
# shellcheck disable=SC2086
apt-get download $packages
for deb in *.deb; do
    package=${deb%%_*}
    mkdir -p "../x/$package" && dpkg-deb -x "$deb" "../x/$package"
done
cd "$dir"
x=$dir/x
set -f # the patterns below are find's, not the shell's
lists() { find "$@" -type f | sort; }
lists "$x/libglib2.0-doc" "$x/python3.11-doc" "$x/postgresql-doc-15" /usr/share/doc \
    -name '*.html' >html_tune.txt
lists "$x/libgtk-3-doc" "$x/python-django-doc" "$x/libstdc++-12-doc" -name '*.html' >html_held.txt
lists /usr/include -name '*.h' >c_headers.txt
tex='( -name *.tex -o -name *.sty -o -name *.cls -o -name *.dtx -o -name *.ltx )'
# shellcheck disable=SC2086
lists "$x/texlive-latex-base" "$x/texlive-latex-recommended" $tex >tex_tune.txt
# shellcheck disable=SC2086
lists "$x/texlive-pictures" $tex >tex_held.txt
{ lists "$x/python3-sphinx" "$x/sphinx-common" \( -name '*.html' -o -name '*_t' \) | grep -v /doc/
  lists /usr/lib/python3/dist-packages \( -name '*.j2' -o -path '*templates*' -name '*.html' \); } >tmpl_tune.txt
lists "$x/python3-django" -path '*templates*' \( -name '*.html' -o -name '*.txt' \) >tmpl_held.txt
set +f
wc -l ./*.txt
