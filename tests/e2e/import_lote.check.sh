# The file was archived byte for byte, and one log holds the header and the
# server's two warnings: Windows-1252, no byte-order mark, CR LF after every
# line.
set -euo pipefail
site="$E2E_DRIVE_C/Credito/Site"
fail() { echo "check: $*"; exit 1; }

# The reloaded list shows the good orders with their values, signed by type.
grep -q 'NRBOLETO=E2E00000001 .*CDCLIENTE=CLI001 | CDCONSUMIDOR=CONS0001 | VRPEDCRECONS=299,90 ' \
    "$E2E_TRANSCRIPT" || fail "the credit order is not listed with its value"
grep -q 'NRBOLETO=E2E00000004 .*CDCONSUMIDOR=CONS0003 | VRPEDCRECONS=-12,50 ' "$E2E_TRANSCRIPT" ||
    fail "the debit order is not listed with its value"

[ ! -e "$site/lote_e2e.txt" ] || fail "the file is still in C:\\Credito\\Site"
cmp "$site/Importados/lote_e2e.txt" "$E2E_DRIVE_C/../lote_e2e.original" ||
    fail "the archived file differs from the original"

shopt -s nullglob
logs=("$site"/Log_Lun/LUN90002_*.txt)
[ "${#logs[@]}" -eq 1 ] || fail "expected one log, found ${#logs[@]}"
log=${logs[0]}
[[ "$(basename "$log")" =~ ^LUN90002_[0-9]{14}\.txt$ ]] || fail "log name $(basename "$log")"
# The closing message names this log and the orders created, and its open
# button opened this file.
named='\Log_Lun\'"$(basename "$log")"'). Pedidos criados: 2." -> 100'
grep -qF "$named" "$E2E_TRANSCRIPT" ||
    fail "the closing message does not name the log or was not answered Open"
grep -qxF "open file://$(realpath "$log")" "$E2E_TRANSCRIPT" || fail "the log was not opened"

# Every line ends in CR LF: as many CR LF pairs as LF, and the last bytes are CR LF.
lf=$(tr -cd '\n' <"$log" | wc -c)
crlf=$(grep -c $'\r$' "$log" || true)
[ "$lf" -eq 7 ] && [ "$crlf" -eq 7 ] || fail "expected 7 CR LF lines, found $lf LF and $crlf CR"
[ "$(tail -c 2 "$log" | xxd -p)" = "0d0a" ] || fail "the log does not end in CR LF"
[ "$(head -c 3 "$log" | xxd -p)" != "efbbbf" ] || fail "the log starts with a byte-order mark"

rule="**$(printf '%.0s-' $(seq 96))"
expected_file=$(mktemp)
trap 'rm -f "$expected_file"' EXIT
{
    printf '%s\r\n' "$rule"
    printf '%s\r\n' "** LUN90002 - LOG DE IMPORTAÇÃO  CRÉDITO/DÉBITO CONSUMIDOR                  "
    printf 'DATE-LINE\r\n'
    printf '%s\r\n' "** Operador Importação: e2e"
    printf '%s\r\n' "$rule"
    printf '%s\r\n' 'Linha 3: data "31/02/2026" inválida; use DD/MM/AAAA ou DD/MM/AAAA HH:MM:SS.'
    printf '%s\r\n' 'Linha 4: cliente "CLIXYZ" não cadastrado.'
} | iconv -f UTF-8 -t WINDOWS-1252 >"$expected_file"

# Line 3 holds the time of the import: compare its shape, the rest byte for byte.
date_line=$(sed -n 3p "$log" | iconv -f WINDOWS-1252 -t UTF-8)
[[ "$date_line" =~ ^\*\*\ Data\ da\ Importação\ :\ [0-3][0-9]/[01][0-9]/20[0-9]{2}\ [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$'\r'$ ]] ||
    fail "date line: $date_line"
[ "$(sed -n 2p "$log" | tr -d '\r' | wc -c)" -eq 77 ] || fail "title line is not 76 characters"
if ! cmp <(sed 3d "$log") <(sed 3d "$expected_file"); then
    echo "--- log"; xxd "$log" | head -40
    fail "the log's bytes differ"
fi
