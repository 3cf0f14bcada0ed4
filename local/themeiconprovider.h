#pragma once
// ThemeIconProvider: item icons from the desktop's icon theme, falling back
// to the style's own file, folder and drive icons, so no row is blank on a
// desktop without a theme (ItemIcons). Main thread (QIcon).

#include "local/localiconprovider.h"

class ThemeIconProvider : public LocalIconProvider {
 public:
  QVariant Icon(const FileTypes::IconNames& names) override;
};
