# Puts a credit/debit file in Windows-1252 into C:\Credito\Site: two good
# orders dated today, a line with an impossible date and one of an unknown
# client; keeps a copy to compare the archived file with.
set -euo pipefail
today=$(date +%d/%m/%Y)
site="$E2E_DRIVE_C/Credito/Site"
mkdir -p "$site"
printf '%s\r\n' \
    "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRIÇÃO;FAMÍLIAS" \
    "C;CLI001;CONS0001;E2E00000001;$today 10:30:00;Crédito mensal;ALI=250,00;BEB=49,90" \
    "C;CLI001;CONS0002;E2E00000002;31/02/2026;Crédito;ALI=1,00" \
    "C;CLIXYZ;CONS0001;E2E00000003;$today;Crédito;ALI=1,00" \
    "D;CLI001;CONS0003;E2E00000004;$today;Estorno de lanche;LAN=12,5" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$site/lote_e2e.txt"
cp "$site/lote_e2e.txt" "$E2E_DRIVE_C/../lote_e2e.original"
