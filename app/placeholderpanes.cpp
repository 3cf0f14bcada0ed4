#include "placeholderpanes.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QLabel* Caption(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setAlignment(Qt::AlignCenter);
  label->setStyleSheet(QStringLiteral("color: blue;"));
  return label;
}

QTreeWidget* ReportList(const char* name, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QLatin1String(name));
  list->setRootIsDecorated(false);
  list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
                         QStringLiteral("Modified")});
  const int widths[] = {114, 49, 73, 163};
  for (int i = 0; i < 4; ++i) list->setColumnWidth(i, widths[i]);
  return list;
}

QComboBox* PathBox(const char* panelName, const char* boxName, QWidget* parent,
                   QVBoxLayout* layout) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QLatin1String(panelName));
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  auto* box = new QComboBox(panel);
  box->setObjectName(QLatin1String(boxName));
  box->setEditable(true);
  panelLayout->addWidget(box);
  layout->addWidget(panel);
  return box;
}

QStatusBar* StatusBar(const char* name, QWidget* parent) {
  auto* bar = new QStatusBar(parent);
  bar->setObjectName(QLatin1String(name));
  bar->setSizeGripEnabled(false);
  return bar;
}

}  // namespace

PlaceholderLocalPane::PlaceholderLocalPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnlLocal"));
  setMinimumWidth(150);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(Caption("lblLocal", QStringLiteral("Local System:"), this));
  auto* tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("tlbarLocal"));
  layout->addWidget(tools);
  PathBox("pnlLocalCbx", "cbxLocal", this, layout);
  layout->addWidget(ReportList("lstviewLocal", this), 1);
  layout->addWidget(StatusBar("stabarLocal", this));
}

PlaceholderDevicePane::PlaceholderDevicePane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnlTalo"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(Caption("lblTalo", QStringLiteral("TALO-7100 Series:"), this));
  auto* tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("tlbarTalo"));
  auto add = [tools](const char* name, const QString& hint) {
    QAction* action = tools->addAction(hint);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint);
    return action;
  };
  add("tbtnTaloUp", QStringLiteral("Move up"));
  add("tbtnRefresh", QStringLiteral("Refresh folder"));
  tools->addSeparator();
  add("tbtnTaloLgIcon", QStringLiteral("Large Icons"));
  add("tbtnTaloSmIcon", QStringLiteral("Small Icons"));
  add("tbtnTaloLsIcon", QStringLiteral("List View"));
  add("tbtnTaloDtIcon", QStringLiteral("Report View"));
  tools->addSeparator();
  add("tbtnTaloConf", QStringLiteral("Config TALO"));
  add("tbtnDOSCmd", QStringLiteral("Launch Terminal"))->setCheckable(true);
  tools->addSeparator();
  add("tbtnTCPConf", QStringLiteral("Talo-7100 Configuration"));
  add("tbtnGHOST", QStringLiteral("Quantelix Image Keeper"));
  auto* ports = new QComboBox(tools);
  ports->setObjectName(QStringLiteral("cbxCOM"));
  ports->setEditable(true);
  ports->setFixedWidth(89);
  tools->addWidget(ports);
  layout->addWidget(tools);
  PathBox("pnlTaloCbx", "cbxTalo", this, layout);
  layout->addWidget(ReportList("lstviewTalo", this), 1);
  layout->addWidget(StatusBar("stabarTalo", this));
}
