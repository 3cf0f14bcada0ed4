#pragma once
// The status bar texts that both panes show under their item list: the
// number of items and their total size.

#include <QString>
#include <cstdint>

namespace PaneStatus {

// "N object(s)".
QString ObjectCount(qsizetype count);
// Below 1024 bytes "N byte(s)"; below 1 MiB the KB with one decimal
// ("1.0 KB"); from there the MB ("1.0 MB"). The quotient is taken in single
// precision, as the figure has always been computed: 1048575 bytes show
// "1024.0 KB" rather than switching to MB early.
QString TotalSize(int64_t bytes);
// The exact figure with the locale's digit grouping: "61,210 bytes".
QString ExactSize(int64_t bytes);
// The selection's summary: "2 selected, 3.1 KB"; empty below two items (one
// item's size is in its row, and every fill selects a row).
QString SelectionSummary(qsizetype count, int64_t bytes);

}  // namespace PaneStatus
