# The credit of the two orders the return file marked was effected, and only
# theirs: the consumer's balance grew by their values; the report was
# exported as UTF-8 CSV with a byte-order mark.
set -euo pipefail
fail() { echo "check: $*"; exit 1; }

situations=$(sqlite3 "$E2E_DB" "SELECT group_concat(NRBOLETO || '=' || IDPEDCREEXTR, ' ')
    FROM (SELECT NRBOLETO, IDPEDCREEXTR FROM PEDCREDCONS WHERE NRBOLETO LIKE '88000_'
          ORDER BY NRBOLETO)")
[ "$situations" = "880001=S 880002=N 880003=S 880004=C 880005=N" ] || fail "situations: $situations"

before=$(cat "$E2E_DRIVE_C/../balance.before")
after=$(sqlite3 "$E2E_DB" "SELECT COALESCE(SUM(VRSALDO_CENT), 0) FROM SALDOCONS
    WHERE CDCLIENTE = 'CLI001' AND CDCONSUMIDOR = 'CONS0001' AND CDFAMILISALD = 'ALI'")
[ "$after" -eq $((before + 4000)) ] || fail "balance $before -> $after, expected +4000"

csv="$E2E_DRIVE_C/Credito/Site/Retorno/cobranca_ocorrencias.csv"
[ "$(head -c 3 "$csv" | xxd -p)" = "efbbbf" ] || fail "the CSV has no byte-order mark"
[ "$(wc -l <"$csv")" -eq 13 ] ||
    fail "expected a title, six rows, a blank line and five totals in the CSV"
grep -q '^Conferidos com pedido;3' "$csv" || fail "the CSV lacks the matched count"
# Slip and order numbers (and the occurrence code) kept as text, as in the
# list's export.
grep -q '^"=""00000000000880002""";"=""00000000000000000302""";CLI001;CONS0001;20,00;25,00;[0-9/]*;"=""06""";V;' "$csv" ||
    fail "the CSV lacks the row of the other amount"
