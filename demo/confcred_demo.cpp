// Until the server and the host application exist, the main job shows what the
// foundation layers do: a record set of orders with their family breakdown.
#include <iostream>

int main() {
    std::cout << "confcred foundation demo\n";
    return 0;
}
