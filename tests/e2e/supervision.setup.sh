# Puts a credit file of one order of CLI001/CONS0001, dated today, into
# C:\Credito\Site.
set -euo pipefail
today=$(date +%d/%m/%Y)
site="$E2E_DRIVE_C/Credito/Site"
mkdir -p "$site"
printf '%s\r\n' "C;CLI001;CONS0001;870001;$today 00:01:00;Supervisão;ALI=12,34;BEB=1,00" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$site/lote_supervisao.txt"
