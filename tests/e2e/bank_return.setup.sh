# Puts a credit file of five orders of CLI001/CONS0001 into C:\Credito\Site,
# four dated today and one yesterday (outside the list), and a CNAB 240 return
# file into C:\Credito\Site\Retorno that settles them: three with their
# values, one with another amount, the one the script cancels, and an unknown
# slip; its lines lose their trailing blanks, as a transfer in text mode
# leaves them. Keeps the consumer's balance before the run.
set -euo pipefail
today=$(date +%d/%m/%Y)
yesterday=$(date -d yesterday +%d/%m/%Y)
site="$E2E_DRIVE_C/Credito/Site"
mkdir -p "$site/Retorno"
printf '%s\r\n' \
    "C;CLI001;CONS0001;880001;$today 23:50:00;Crédito retorno 1;ALI=10,00" \
    "C;CLI001;CONS0001;880002;$today 23:51:00;Crédito retorno 2;ALI=20,00" \
    "C;CLI001;CONS0001;880003;$today 23:52:00;Crédito retorno 3;ALI=30,00" \
    "C;CLI001;CONS0001;880004;$today 23:59:00;Crédito retorno 4;ALI=40,00" \
    "C;CLI001;CONS0001;880005;$yesterday 12:00:00;Crédito retorno 5;ALI=5,00" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$site/lote_retorno.txt"
"$E2E_COMPOSE_RETURN" "$site/Retorno/cobranca.ret" 104 \
    880001:1000 880002:2500 880003:3000 880004:4000 880005:500 889999:500
sed -i 's/ *\r$/\r/' "$site/Retorno/cobranca.ret"
sqlite3 "$E2E_DB" "SELECT COALESCE(SUM(VRSALDO_CENT), 0) FROM SALDOCONS
    WHERE CDCLIENTE = 'CLI001' AND CDCONSUMIDOR = 'CONS0001' AND CDFAMILISALD = 'ALI'" \
    >"$E2E_DRIVE_C/../balance.before"
