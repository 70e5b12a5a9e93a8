# The same outcome as the main road, reached by keyboard alone: the three
# orders ticked with Space are the three sent, and the server no longer lists
# them as pending.
set -euo pipefail
exec bash "$(dirname "${BASH_SOURCE[0]}")/main_road.check.sh"
