#pragma once
// The local files a drag carries (URLs of other kinds are left out).

#include <QStringList>

class QMimeData;

QStringList DroppedFiles(const QMimeData* data);
