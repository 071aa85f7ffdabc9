#pragma once

#include <QSize>
#include <vector>

class QPainter;
struct LineMisfit;

// What the preview and the editor show of the lines that do not fit, on screen only (never
// on a page or in a file): a red dotted frame where each such line stands, or would stand
// under its field's last block, and a red bar on the envelope's edge that cuts a line.
// The painter draws in the envelope's own pixels; `envelope` is its size.
void paintMisfitMarks(QPainter& painter, const std::vector<LineMisfit>& misfits, QSize envelope);
