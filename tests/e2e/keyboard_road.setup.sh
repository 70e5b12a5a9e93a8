# Puts a credit file of two good orders dated today into C:\Credito\Site, for
# the import the keyboard road starts with Return.
set -euo pipefail
today=$(date +%d/%m/%Y)
site="$E2E_DRIVE_C/Credito/Site"
mkdir -p "$site"
printf '%s\r\n' \
    "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRIÇÃO;FAMÍLIAS" \
    "C;CLI001;CONS0001;TEC00000001;$today 09:00:00;Crédito teclado;ALI=10,00" \
    "C;CLI001;CONS0002;TEC00000002;$today 09:05:00;Crédito teclado;BEB=5,50" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$site/teclado.txt"
