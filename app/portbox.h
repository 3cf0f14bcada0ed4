#pragma once
// The port box (cbxCOM): its list, its width and the port a choice stands for.
//
// Principles of operation
// - Each scanned port is one item: its label (the name, the stable
//   /dev/serial/by-id name beside it, "(no permission)" when this user cannot
//   open it) is what the list shows, the name alone is the item's data and
//   what is opened. After a pick the edit field shows the name.
// - A name typed into the edit field is used as typed.
// - The box is wide enough for the longest name, and its list for the
//   longest label.

#include <QString>
#include <vector>

#include "link/port/portscan.h"

class QComboBox;

namespace PortBox {

// Replaces the list with ports (and extra, when given and not among them).
void Fill(QComboBox& box, const std::vector<ScannedPort>& ports, const QString& extra);
// Makes port the current entry (the item of that name when there is one).
void Select(QComboBox& box, const QString& port);
// The port the box stands for: the current item's name after a pick from the
// list, else the text in the edit field.
QString ChosenPort(QComboBox& box, bool picked);

}  // namespace PortBox
