#pragma once
// Stand-ins for the file panes while they are not part of the build: empty
// panes with the object names and the controls the main window drives, so the
// window, the terminal and its tests work without them.

#include <QWidget>

class PlaceholderLocalPane : public QWidget {
  Q_OBJECT
 public:
  explicit PlaceholderLocalPane(QWidget* parent = nullptr);
};

class PlaceholderDevicePane : public QWidget {
  Q_OBJECT
 public:
  explicit PlaceholderDevicePane(QWidget* parent = nullptr);
};
