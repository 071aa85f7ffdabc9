#pragma once

#include <QString>

// Checks made before the first envelope of a run that writes files, so that a
// destination that cannot take them stops the run before anything is printed. Each
// throws UserError naming the path and the reason. A folder that is missing counts as
// writable when it can be made: the run makes it. What may stand in a file's place is
// OutputFile's rule: a regular file, a character device or a FIFO.
void requireWritableFile(const QString& path);
void requireWritableFolder(const QString& path);
