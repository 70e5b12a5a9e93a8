# The orders the screen reloaded are exactly those of the consumers chosen:
# every order of CLI001/CONS0002 and CLI001/CONS0005 in the database (the
# period and the boxes ticked take in every order), and no other.
set -euo pipefail
shown=$(awk '/^dump frmConfCredBco.cdsGetPediCreCons /{on=1; next} on && /^[> ] /{print; next} {on=0}' \
            "$E2E_TRANSCRIPT" |
        sed -n 's/.*NRPEDCRECONS=\([^ |]*\) | CDCLIENTE=\([^ |]*\) | CDCONSUMIDOR=\([^ |]*\) .*/\1 \2 \3/p' |
        sort -u)
wanted=$(sqlite3 "$E2E_DB" "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR FROM PEDCREDCONS
                            WHERE CDCLIENTE = 'CLI001' AND CDCONSUMIDOR IN ('CONS0002', 'CONS0005')" |
         tr '|' ' ' | sort -u)
if [ -z "$wanted" ]; then
    echo "the demo data has no order of the chosen consumers"; exit 1
fi
if [ "$shown" != "$wanted" ]; then
    echo "orders shown:"; echo "$shown"; echo "orders of the chosen consumers:"; echo "$wanted"
    exit 1
fi
echo "$(echo "$shown" | wc -l) orders, all of the chosen consumers"
