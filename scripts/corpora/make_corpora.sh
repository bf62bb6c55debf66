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
# The templates of Django apps and of Jinja's users (themes, Ansible, OpenStack),
# unpacked apart: django_all.txt, and jinja_all.txt (Jinja with its default
# delimiters; Django's forms' jinja2/ widgets go with Jinja).
django_packages="graphite-web horizon-doc lava-server mailman3-web python3-cloudkitty-dashboard
  python3-designate-dashboard python3-django-allauth python3-django-assets
  python3-django-auth-ldap python3-django-axes python3-django-bitfield
  python3-django-cacheops python3-django-captcha python3-django-cas-server
  python3-django-celery-beat python3-django-classy-tags python3-django-compressor
  python3-django-constance python3-django-cors-headers python3-django-countries
  python3-django-crispy-forms python3-django-debreach python3-django-debug-toolbar
  python3-django-environ python3-django-etcd-settings python3-django-extensions
  python3-django-filters python3-django-formtools python3-django-graphene
  python3-django-guardian python3-django-haystack python3-django-horizon
  python3-django-hyperkitty python3-django-ical python3-django-imagekit
  python3-django-import-export python3-django-invitations python3-django-jinja
  python3-django-js-reverse python3-django-mailman3 python3-django-maintenancemode
  python3-django-markupfield python3-django-memoize python3-django-model-utils
  python3-django-modelcluster python3-django-mptt python3-django-nose
  python3-django-notification python3-django-oauth-toolkit python3-django-organizations
  python3-django-otp python3-django-pglocks python3-django-pipeline
  python3-django-polymorphic python3-django-postorius python3-django-prometheus
  python3-django-push-notifications python3-django-q python3-django-qr-code
  python3-django-ranged-response python3-django-recurrence python3-django-render-block
  python3-django-reversion python3-django-rules python3-django-sass python3-django-sekizai
  python3-django-session-security python3-django-simple-history python3-django-storages
  python3-django-stronghold python3-django-tables2 python3-django-tagging
  python3-django-taggit python3-django-timezone-field python3-django-treebeard
  python3-django-uwsgi python3-django-waffle python3-django-webpack-loader
  python3-djangorestframework python3-heat-dashboard python3-ironic-ui python3-magnum-ui
  python3-manila-ui python3-masakari-dashboard python3-mistral-dashboard
  python3-murano-dashboard python3-neutron-vpnaas-dashboard python3-octavia-dashboard
  python3-pytest-django python3-sahara-dashboard python3-senlin-dashboard
  python3-trove-dashboard python3-vitrage-dashboard python3-watcher-dashboard
  python3-zaqar-ui"
jinja_packages="ansible-core ansible cookiecutter furo mkdocs-bootstrap mkdocs-material mkdocs pelican
  python3-alabaster python3-cloudkitty python3-designate python3-doc8 python3-flask-babel
  python3-flask-security python3-flaskext.wtf python3-heat python3-ironic-inspector
  python3-ironic python3-jinja2 python3-jupyter-server python3-magnum python3-manila
  python3-mistral python3-myst-parser python3-nbconvert python3-nbsphinx python3-neutron
  python3-notebook python3-nova python3-octavia python3-openstackdocstheme
  python3-pydata-sphinx-theme python3-reno python3-sphinx-autoapi
  python3-sphinx-book-theme python3-sphinx-bootstrap-theme python3-sphinx-celery
  python3-sphinx-copybutton python3-sphinx-gallery python3-sphinx-inline-tabs
  python3-sphinx-issues python3-sphinx-press-theme python3-sphinx-rtd-theme python3-trove
  python3-watcher python3-zaqar"
mkdir -p "$dir/tmpl-debs" "$dir/tmpl-x"
(
    cd "$dir/tmpl-debs"
    # shellcheck disable=SC2086
    for package in $django_packages $jinja_packages; do apt-get download "$package" || true; done
    for deb in *.deb; do
        package=${deb%%_*}
        mkdir -p "../tmpl-x/$package" && dpkg-deb -x "$deb" "../tmpl-x/$package"
    done
)
in_packages() { for package in "$@"; do echo "$dir/tmpl-x/$package"; done; }
# shellcheck disable=SC2046,SC2086
lists $(in_packages $django_packages) "$x/python3-django" -path '*templates*' \( -name '*.html' -o -name '*.txt' \) |
    grep -v jinja2 >django_all.txt
# shellcheck disable=SC2046,SC2086
{ lists $(in_packages $jinja_packages) \( -name '*.j2' -o -name '*.jinja' -o -name '*.jinja2' \)
  lists $(in_packages $jinja_packages) -name '*.html' \( -path '*templates*' -o -path '*theme*' \)
  lists $(in_packages $django_packages) "$x/python3-django" -path '*jinja2*' -name '*.html'
  lists "$x/python3-sphinx" "$x/sphinx-common" -path '*themes*' \( -name '*.html' -o -name '*_t' \) | grep -v /doc/; } |
    sort -u >jinja_all.txt
set +f
wc -l ./*.txt
