#include "image/ui/imagepane.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "image/imagediff.h"
#include "image/imageextract.h"
#include "image/imagelisting.h"
#include "image/imagetext.h"
#include "items/panestatus.h"
#include "link/resultteller.h"
#include "link/userdialogs.h"
#include "remote/devicetextviewer.h"
#include "remote/devicetypecatalog.h"
#include "widgets/folderview.h"

namespace {

enum Column { kName, kSize, kType, kModified };

QString Text(const char* text) { return QString::fromLatin1(text); }

std::optional<FatVolume> OpenChosen(UserDialogs& dialogs, ResultTeller& teller, const QString& caption,
                                    QString& path) {
  const std::optional<QString> chosen =
      dialogs.ChooseOpenFile(caption, Text(ImageText::kDefaultImageName), Text(ImageText::kImageFilter));
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  path = *chosen;
  Expected<FatVolume> volume = FatVolume::OpenFile(path);
  if (!volume) {
    teller.Tell(JobResult::Failed(QStringLiteral("%1\n\n%2").arg(path, volume.Error())));
    return std::nullopt;
  }
  return std::move(*volume);
}

}  // namespace

ImagePane::ImagePane(FatVolume volume, const QString& imagePath, UserDialogs& dialogs,
                     ResultTeller& teller, QWidget* parent)
    : QDialog(parent), Volume(std::move(volume)), Dialogs(dialogs), Teller(teller) {
  setObjectName(QStringLiteral("dlgImagePane"));
  setWindowTitle(ImageText::ImagePaneCaption(QFileInfo(imagePath).fileName(), Volume.Label()));
  auto* up = new QToolButton(this);
  up->setObjectName(QStringLiteral("tbtnImageUp"));
  up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up->setToolTip(QStringLiteral("Move up"));
  PathBox = new QLineEdit(this);
  PathBox->setObjectName(QStringLiteral("edtImagePath"));
  PathBox->setReadOnly(true);
  auto* top = new QHBoxLayout;
  top->addWidget(up);
  top->addWidget(PathBox, 1);

  ListWidget = new QTreeWidget(this);
  ListWidget->setObjectName(QStringLiteral("lstviewImage"));
  ListWidget->setRootIsDecorated(false);
  ListWidget->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListWidget->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
                               QStringLiteral("Modified")});
  ListWidget->header()->resizeSection(kName, std::max(140, FolderView::ShortNameWidth(*ListWidget, 16)));
  Status = new QLabel(this);
  Status->setObjectName(QStringLiteral("lblImageStatus"));

  auto* buttons = new QDialogButtonBox(this);
  const auto add = [&](const QString& caption, const char* name, auto slot, bool perRow) {
    QPushButton* button = buttons->addButton(caption, QDialogButtonBox::ActionRole);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    if (perRow) RowButtons.append(button);
  };
  add(QStringLiteral("&Copy to PC..."), "btnImageCopy", [this] { CopyClick(); }, true);
  add(QStringLiteral("&View"), "btnImageView", [this] { ViewRow(SelectedRows().empty() ? -1 : SelectedRows().front()); }, true);
  add(QStringLiteral("&Properties"), "btnImageProperties",
      [this] { PropertiesOfRow(SelectedRows().empty() ? -1 : SelectedRows().front()); }, false);
  connect(buttons->addButton(QDialogButtonBox::Close), &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ListWidget, 1);
  layout->addWidget(Status);
  layout->addWidget(buttons);
  resize(560, 420);

  connect(up, &QToolButton::clicked, this, &ImagePane::GoUp);
  connect(ListWidget, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ActivateRow(ListWidget->indexOfTopLevelItem(item)); });
  connect(ListWidget, &QTreeWidget::itemSelectionChanged, this, &ImagePane::UpdateButtons);
  (void)OpenFolder(QStringLiteral("\\"));
}

ImagePane* ImagePane::Open(QWidget* parent, UserDialogs& dialogs, ResultTeller& teller) {
  QString path;
  std::optional<FatVolume> volume = OpenChosen(dialogs, teller, QStringLiteral("Open image"), path);
  if (!volume) return nullptr;
  auto* pane = new ImagePane(std::move(*volume), path, dialogs, teller, parent);
  pane->setAttribute(Qt::WA_DeleteOnClose);
  pane->show();
  return pane;
}

void ImagePane::Compare(QWidget* parent, UserDialogs& dialogs, ResultTeller& teller) {
  QString first, second;
  const std::optional<FatVolume> before = OpenChosen(dialogs, teller, QStringLiteral("Compare images: the first"), first);
  if (!before) return;
  const std::optional<FatVolume> after = OpenChosen(dialogs, teller, QStringLiteral("Compare images: the second"), second);
  if (!after) return;
  QStringList lines{QStringLiteral("%1 -> %2").arg(first, second)};
  lines += ImageDiff::Lines(ImageDiff::Compare(*before, *after));
  const QByteArray text = lines.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
  auto* viewer = new DeviceTextViewer(QStringLiteral("image-diff.txt"), text, text, dialogs, teller,
                                      parent);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->show();
}

bool ImagePane::OpenFolder(const QString& path) {
  const FatVolume::Listing listing = Volume.List(path);
  if (!listing.Error.isEmpty()) {
    Teller.Tell(JobResult::Failed(listing.Error));
    return false;
  }
  const QStringList names = FatVolume::PathNames(path);
  Folder = names.isEmpty() ? QStringLiteral("\\") : QLatin1Char('\\') + names.join(QLatin1Char('\\'));
  Shown = listing.Items;
  ImageListing::Sort(Shown);
  DeviceTypeCatalog catalog;
  ListWidget->clear();
  for (const FatItem& item : Shown) {
    const PaneItem shell = ImageListing::ShellItem(item, catalog);
    auto* row = new QTreeWidgetItem(ListWidget);
    row->setText(kName, item.Name);
    row->setIcon(kName, style()->standardIcon(item.Folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    if (!item.Folder) {
      row->setText(kSize, QStringLiteral("%1KB").arg(shell.SizeKB));
      row->setToolTip(kSize, PaneStatus::ExactSize(shell.SizeBytes));
    }
    row->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    row->setText(kType, shell.TypeText);
    row->setText(kModified, shell.ModifiedText);
  }
  PathBox->setText(Folder);
  Status->setText(ImageText::ImagePaneStatus(static_cast<qsizetype>(Shown.size()),
                                             ImageListing::SizeStatus(Shown, Volume)));
  UpdateButtons();
  return true;
}

void ImagePane::GoUp() {
  QStringList names = FatVolume::PathNames(Folder);
  if (names.isEmpty()) return;
  names.removeLast();
  (void)OpenFolder(QLatin1Char('\\') + names.join(QLatin1Char('\\')));
}

std::vector<int> ImagePane::SelectedRows() const {
  std::vector<int> rows;
  for (int row = 0; row < ListWidget->topLevelItemCount(); ++row)
    if (ListWidget->topLevelItem(row)->isSelected()) rows.push_back(row);
  return rows;
}

void ImagePane::UpdateButtons() {
  const bool any = !SelectedRows().empty();
  for (QWidget* button : RowButtons) button->setEnabled(any);
}

void ImagePane::ActivateRow(int row) {
  if (row < 0 || row >= static_cast<int>(Shown.size())) return;
  if (Shown[static_cast<size_t>(row)].Folder)
    (void)OpenFolder(FatVolume::JoinPath(Folder, Shown[static_cast<size_t>(row)].Name));
  else
    ViewRow(row);
}

void ImagePane::CopyClick() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  const std::optional<QString> destination = Dialogs.ChooseFolder(QStringLiteral("Copy to PC"), QDir::homePath());
  if (!destination || destination->isEmpty()) return;
  (void)CopyRows(rows, *destination);
}

bool ImagePane::CopyRows(const std::vector<int>& rows, const QString& destination) {
  // The names are checked and the files that would be replaced found first.
  QStringList existing;
  for (const int row : rows) {
    const FatItem& item = Shown.at(static_cast<size_t>(row));
    if (ImageExtract::SafeName(item.Name))
      existing += ImageExtract::Existing(Volume, FatVolume::JoinPath(Folder, item.Name), item,
                                         QDir(destination).filePath(item.Name));
  }
  const bool replace =
      !existing.isEmpty() && Dialogs.AskYesNo(ImageText::AskReplace(existing), UserDialogs::BoxKind::Warning);
  ImageExtract::Outcome outcome;
  for (const int row : rows) {
    const FatItem& item = Shown.at(static_cast<size_t>(row));
    const QString path = FatVolume::JoinPath(Folder, item.Name);
    if (!ImageExtract::SafeName(item.Name)) {
      outcome.Problems.append(QStringLiteral("%1: %2").arg(path, Text(ImageText::kUnsafeName)));
      continue;
    }
    ImageExtract::Extract(Volume, path, item, QDir(destination).filePath(item.Name), replace, outcome);
  }
  const QString done = ImageText::CopiedTotals(outcome.Files, outcome.Bytes, destination);
  if (outcome.Ok())
    Teller.Tell(JobResult::Done(done));
  else
    Teller.Tell(JobResult::Failed(done + QLatin1Char('\n') + outcome.Problems.join(QLatin1Char('\n'))));
  return outcome.Ok();
}

void ImagePane::ViewRow(int row) {
  if (row < 0 || row >= static_cast<int>(Shown.size()) || Shown[static_cast<size_t>(row)].Folder) return;
  const FatItem& item = Shown[static_cast<size_t>(row)];
  const FatVolume::Contents contents = Volume.Read(item);
  if (!contents.Error.isEmpty()) {
    Teller.Tell(JobResult::Failed(contents.Error));
    return;
  }
  auto* viewer = new DeviceTextViewer(item.Name, contents.Bytes, contents.Bytes, Dialogs, Teller, this);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->show();
}

void ImagePane::PropertiesOfRow(int row) {
  // Nothing selected: the folder shown.
  const Expected<FatItem> item = row >= 0 && row < static_cast<int>(Shown.size())
                                    ? Expected<FatItem>(Shown[static_cast<size_t>(row)])
                                    : Volume.Find(Folder);
  if (!item) return;
  const QString path = row >= 0 ? FatVolume::JoinPath(Folder, item->Name) : Folder;
  Teller.Tell(JobResult::Done(ImageListing::Properties(Volume, path, *item)));
}

void ImagePane::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace) {
    GoUp();
    return;
  }
  QDialog::keyPressEvent(event);
}
