# Puts a credit file of four orders of CLI001/CONS0001, dated today, into
# C:\Credito\Site, and an OFX statement into C:\Credito\Site\Extrato as a
# Brazilian bank exports it (leaves left open, comma decimals, Brasília zone):
# a PIX naming the first order's slip, a PIX of the consumer's responsible
# person with the second order's amount, a transfer of a stranger with the
# third's amount, a fee, and a credit of an amount no order has.
set -euo pipefail
today=$(date +%d/%m/%Y)
ymd=$(date +%Y%m%d)
site="$E2E_DRIVE_C/Credito/Site"
mkdir -p "$site/Extrato"
printf '%s\r\n' \
    "C;CLI001;CONS0001;890001;$today 23:50:00;Crédito extrato 1;ALI=11,00" \
    "C;CLI001;CONS0001;890002;$today 23:51:00;Crédito extrato 2;ALI=22,00" \
    "C;CLI001;CONS0001;890003;$today 23:52:00;Crédito extrato 3;ALI=33,00" \
    "C;CLI001;CONS0001;890004;$today 23:53:00;Crédito extrato 4;ALI=44,00" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$site/lote_extrato.txt"
parent=$(sqlite3 "$E2E_DB" "SELECT UPPER(NMRESPCONS) FROM CONSUMIDOR
    WHERE CDCLIENTE = 'CLI001' AND CDCONSUMIDOR = 'CONS0001'")
{
    printf 'OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nCHARSET:1252\r\n\r\n<OFX>\r\n'
    printf '<BANKMSGSRSV1><STMTTRNRS><STMTRS><CURDEF>BRL\r\n<BANKTRANLIST><DTEND>%s\r\n' "$ymd"
    printf '<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>%s235900[-3:BRT]<TRNAMT>11,00<FITID>9001<MEMO>PIX BOLETO 890001</STMTTRN>\r\n' "$ymd"
    printf '<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>%s235900[-3:BRT]<TRNAMT>22,00<FITID>9002<NAME>%s<MEMO>PIX RECEBIDO</STMTTRN>\r\n' "$ymd" "$parent"
    printf '<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>%s235900[-3:BRT]<TRNAMT>33,00<FITID>9003<NAME>FULANO DE TAL<MEMO>TED</STMTTRN>\r\n' "$ymd"
    printf '<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>%s<TRNAMT>5,90<FITID>9004<MEMO>TARIFA</STMTTRN>\r\n' "$ymd"
    printf '<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>%s<TRNAMT>77,77<FITID>9005<MEMO>PIX RECEBIDO</STMTTRN>\r\n' "$ymd"
    printf '</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n'
} >"$site/Extrato/extrato.ofx"
