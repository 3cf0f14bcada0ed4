#include "module/ui/diopanel.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>

#include "link/resultteller.h"
#include "module/diomodule.h"
#include "module/diotext.h"
#include "module/dioworker.h"
#include "ui_diopanel.h"

// Panel 1 of the status bar: drawn by the panel, which picks the image by
// the panel's text.
class StatusImagePanel : public QWidget {
 public:
  using Painter = std::function<void(QPainter&, const QRect&)>;
  StatusImagePanel(Painter paint, QWidget* parent) : QWidget(parent), Paint(std::move(paint)) {
    setObjectName(QStringLiteral("m_StatusBarPanel1"));
    setFixedSize(40, 18);
  }
  QString Text = QStringLiteral("0");

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    Paint(painter, rect());
  }

 private:
  Painter Paint;
};

namespace {

constexpr int kImageSize = 16;

QPixmap Disc(const QColor& fill, const QColor& rim, bool hollow) {
  QPixmap image(kImageSize, kImageSize);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(rim, 1.5));
  painter.setBrush(hollow ? QBrush(Qt::NoBrush) : QBrush(fill));
  painter.drawEllipse(QRectF(2, 2, kImageSize - 4, kImageSize - 4));
  if (!hollow) {  // a highlight, so a lit lamp reads as lit
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 110));
    painter.drawEllipse(QRectF(5, 4, 4, 3));
  }
  return image;
}

}  // namespace

QPixmap DioPanel::StatusImage(int index) {
  switch (index) {
    case 0: return Disc(QColor(40, 180, 60), QColor(20, 100, 30), false);
    case 1: return Disc(QColor(40, 180, 60), QColor(40, 160, 60), true);
    case 2: return Disc(QColor(210, 40, 40), QColor(120, 20, 20), false);
    default: return Disc(QColor(210, 40, 40), QColor(200, 40, 40), true);
  }
}

QPixmap DioPanel::LampImage(bool on) {
  return on ? Disc(QColor(255, 60, 40), QColor(140, 20, 10), false)
            : Disc(QColor(90, 90, 90), QColor(60, 60, 60), false);
}

DioPanel::DioPanel(ResultTeller& teller, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::DioPanel>()),
      Teller(teller) {
  Form->setupUi(this);
  Form->edt_DESC->setText(QString::fromLatin1(DioText::kDescription));
  Form->bitbtnOn->setIcon(LampImage(true));
  Form->bitbtnOff->setIcon(LampImage(false));
  for (size_t i = 0; i < TreeImageList.size(); ++i) TreeImageList[i] = StatusImage(static_cast<int>(i));
  for (QPushButton* lamp : {Form->bitbtnDI0, Form->bitbtnDI1, Form->bitbtnDI2, Form->bitbtnDI3,
                            Form->bitbtnDO0, Form->bitbtnDO1, Form->bitbtnDO2, Form->bitbtnDO3})
    lamp->setIcon(Form->bitbtnOff->icon());
  for (QPushButton* button : {Form->bitbtnDO0, Form->bitbtnDO1, Form->bitbtnDO2, Form->bitbtnDO3})
    connect(button, &QPushButton::clicked, this, &DioPanel::OutputButtonClicked);

  StatusMessage = new QLabel(Form->m_StatusBar);
  StatusMessage->setObjectName(QStringLiteral("m_StatusBarPanel0"));
  Form->m_StatusBar->addWidget(StatusMessage, 1);
  StatusPanel = new StatusImagePanel(
      [this](QPainter& painter, const QRect& rect) { DrawStatusPanel(painter, rect); },
      Form->m_StatusBar);
  Form->m_StatusBar->addPermanentWidget(StatusPanel);

  PollTimer = new QTimer(this);
  PollTimer->setObjectName(QStringLiteral("tmrUpdateDIData"));
  PollTimer->setInterval(DioTimings{}.PollIntervalMs);
  connect(PollTimer, &QTimer::timeout, this, &DioPanel::PollTimerFired);
}

DioPanel::~DioPanel() {
  PollTimer->stop();
  Worker.reset();  // lets a job under way end before the module goes
}

void DioPanel::Setup(TaloComPort& port, const QString& address, const DioTimings& timings) {
  Port = &port;
  Session = std::make_unique<DioSession>(port, address.toStdString(), timings);
  Worker = std::make_unique<DioWorker>();
  DOButtons = {Form->bitbtnDO0, Form->bitbtnDO1, Form->bitbtnDO2, Form->bitbtnDO3};
  DIButtons = {Form->bitbtnDI0, Form->bitbtnDI1, Form->bitbtnDI2, Form->bitbtnDI3};
  PollTimer->setInterval(timings.PollIntervalMs);
  PollTimer->start();
}

QString DioPanel::StatusText() const { return StatusMessage->text(); }

bool DioPanel::SendText(TaloComPort* port, const QString& text) {
  return DioSession::SendText(port, text.toStdString());
}

void DioPanel::PollTimerFired() { UpdateDIData(); }

void DioPanel::UpdateDIData() {
  // A module that takes its time already has a poll under way: skip a tick
  // rather than queue polls behind it.
  if (!Worker || Worker->Busy() || Releasing) return;
  DioSession* session = Session.get();
  auto reading = std::make_shared<DioReading>();
  Worker->Run(
      [session, reading] {
        *reading = session->Poll();
        return session->PollResult(*reading);
      },
      [this, reading](const JobResult& result) { PollDone(*reading, result); });
}

void DioPanel::PollDone(const DioReading& reading, const JobResult& result) {
  if (Releasing) return;  // the release message stays in the status bar
  if (ShowReading(reading, result)) NextStep();
}

bool DioPanel::ShowReading(const DioReading& reading, const JobResult& result) {
  State.Apply(reading);
  ShowState();
  if (result.Status != JobStatus::Disconnected) return true;
  LineLost(result.Text);
  return false;
}

// The port went away: no poll and no release can work any more, so the
// panel says so and closes instead of polling a dead line.
void DioPanel::LineLost(const QString& message) {
  PollTimer->stop();
  Clicks.clear();
  Releasing = true;
  ReleaseDone = true;
  StatusMessage->setText(message);
  Teller.Tell(JobResult::Failed(message));
  QDialog::reject();
}

void DioPanel::ShowState() {
  StatusMessage->setText(State.StatusMessage());
  StatusPanel->Text = State.StatusKey();
  StatusPanel->update();
  if (!State.HasState()) return;
  for (int i = 0; i < DOCount(); ++i)
    DOButtons[static_cast<size_t>(i)]->setIcon(
        State.DOOn(i) ? Form->bitbtnOn->icon() : Form->bitbtnOff->icon());
  for (int i = 0; i < DICount(); ++i)
    DIButtons[static_cast<size_t>(i)]->setIcon(
        State.DIOn(i) ? Form->bitbtnOn->icon() : Form->bitbtnOff->icon());
  Form->edtDI_Hex->setText(State.HexText());
}

void DioPanel::DrawStatusPanel(QPainter& painter, const QRect& rect) {
  const QString& key = StatusPanel->Text;
  const int index = key == QLatin1String("0")   ? 0
                    : key == QLatin1String("1") ? 1
                    : key == QLatin1String("2") ? 2
                                                : 3;
  painter.drawPixmap(rect.left() + 8, rect.top() + 1, TreeImageList[static_cast<size_t>(index)]);
}

void DioPanel::OutputButtonClicked() {
  const QVariant tag = sender() ? sender()->property("tag") : QVariant();
  if (!tag.isValid() || !Worker || Releasing) return;
  PollTimer->stop();
  // A click while an exchange is under way waits for it, so it acts on the
  // state that exchange reads.
  Clicks.push_back(tag.toInt());
  NextStep();
}

void DioPanel::StartToggle(int channel) {
  const std::optional<std::string> value = State.ToggleValue(channel);
  if (!value) {
    StatusMessage->setText(QString::fromLatin1(DioText::kSetFailed));
    NextStep();
    return;
  }
  DioSession* session = Session.get();
  auto set = std::make_shared<DioSetResult>();
  Worker->Run(
      [session, set, channel, v = *value] {
        *set = session->SetOutput(channel, v);
        return session->SetResult(*set);
      },
      [this, set](const JobResult& result) {
        if (Releasing) return;
        // The read-back is the poll that follows every switch.
        if (set->Acknowledged && !ShowReading(set->ReadBack, result)) return;
        if (!result.Ok() && !result.Text.isEmpty()) StatusMessage->setText(result.Text);
        NextStep();
      });
}

// After each exchange: the next click, else polling goes on.
void DioPanel::NextStep() {
  if (Releasing || Worker->Busy()) return;
  if (!Clicks.empty()) {
    const int channel = Clicks.front();
    Clicks.pop_front();
    StartToggle(channel);
    return;
  }
  if (!PollTimer->isActive()) PollTimer->start();
}

void DioPanel::reject() {
  if (ReleaseDone || !Worker) {
    QDialog::reject();
    return;
  }
  if (!Releasing) BeginRelease();
}

void DioPanel::BeginRelease() {
  Releasing = true;
  PollTimer->stop();
  Clicks.clear();
  StatusMessage->setText(QString::fromLatin1(DioText::kReleasing));
  Form->m_StatusBar->repaint();
  DioSession* session = Session.get();
  Worker->Run([session] { return session->Release(); },
              [this](const JobResult& result) { ReleaseFinished(result); });
}

void DioPanel::ReleaseFinished(const JobResult& result) {
  Teller.Tell(result);
  ReleaseDone = true;
  QDialog::reject();
}
