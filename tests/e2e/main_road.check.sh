# The three orders sent are the three ticked, and after the reload they are
# no longer pending: they have left the list of pending orders.
set -euo pipefail
t=$E2E_TRANSCRIPT
numbers() { grep -o 'NRPEDCRECONS=[^ |]*' | cut -d= -f2; }
# The rows of the Nth dump of a record set.
rows() {
    awk -v name="dump $1 " -v want="$2" '
        /^[ >] / { if (on) print; next }
        { on = 0 }
        index($0, name) == 1 { if (++n == want) on = 1 }' "$t"
}
first_list=$(rows frmConfCredBco.cdsGetPediCreCons 1)
sent=$(rows frmConfCredBco.cdsTemp 1 | numbers | sort)
after=$(rows frmConfCredBco.cdsGetPediCreCons 2 | numbers)
ticked=$(echo "$first_list" | head -3 | numbers | sort)
[ "$(echo "$sent" | wc -l)" -eq 3 ] || { echo "expected 3 orders sent, got: $sent"; exit 1; }
[ "$sent" = "$ticked" ] || { echo "sent $sent, ticked $ticked"; exit 1; }
for n in $sent; do
    if echo "$after" | grep -qx "$n"; then echo "order $n still pending after the reload"; exit 1; fi
done
before_count=$(echo "$first_list" | wc -l)
after_count=$(echo "$after" | grep -c . || true)
[ "$after_count" -eq $((before_count - 3)) ] || { echo "list went from $before_count to $after_count"; exit 1; }
echo "main road: 3 orders effected ($(echo $sent)), list $before_count -> $after_count"
