// The folders the screen package works in (its export PastasTrabalho, Windows
// paths on the drive map): the host makes the missing ones at start, so that
// a fresh installation works at once.
#pragma once

#include <QString>
#include <QStringList>

namespace confcred::host::core {
class PackageLoader;
}

namespace confcred::shell {

struct PackageFolders {
    QStringList created;  // made now, as the package names them
    QStringList failed;   // missing and could not be made: "PATH: reason"
};

PackageFolders createPackageFolders(host::core::PackageLoader& package);

// What the host says once about them; empty when there is nothing to say.
QString packageFoldersText(const PackageFolders& folders);

}  // namespace confcred::shell
