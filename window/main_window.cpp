#include "main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "batch_runner.h"
#include "brevine_version.h"
#include "decode_worker.h"
#include "drop.h"
#include "file_system.h"
#include "folder_walk.h"
#include "options_dialog.h"
#include "presets_menu.h"
#include "shell_open.h"
#include "window_batch.h"
#include "window_language.h"

// Resources compiled into a static library are registered by hand, outside any namespace.
static void InitWindowResources() { Q_INIT_RESOURCE(window_resources); }

namespace brevine {

namespace {

const QColor kHatchColour(0x71, 0xB3, 0x3C);

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// The fixed-quality button names the format whose quality Edit2 holds. The JPEG text is the
// layout's own, so it shares the layout's translation.
QString QualityLabel(OutputFormat format) {
  switch (format) {
    case OutputFormat::kWebp:
      return QCoreApplication::translate("Form1", "指定WebP压缩率(%)");
    case OutputFormat::kAvif:
      return QCoreApplication::translate("Form1", "指定AVIF压缩率(%)");
    case OutputFormat::kJxl:
      return QCoreApplication::translate("Form1", "指定JPEG XL压缩率(%)");
    case OutputFormat::kJpeg:
      break;
  }
  return QCoreApplication::translate("Form1", "指定JPEG压缩率(%)");
}
std::string S(const QString& text) { return text.toStdString(); }

// Replaces the field's text by the rule's answer only when it differs, so the change
// notification that the replacement causes settles at once.
void SettleText(QLineEdit* edit, std::string (*rule)(const std::string&)) {
  const std::string text = S(edit->text());
  const std::string settled = rule(text);
  if (settled != text) edit->setText(Q(settled));
}

}  // namespace

// The reason a file was not written, in the command line's words where no translation is
// loaded; the detail is the library's own and stays as it was given.
QString TForm1::FailureReason(FileResult result, const std::string& detail) {
  QString reason;
  switch (result) {
    case FileResult::kCannotRead:
    case FileResult::kNotFound:  // its own text is still to be translated
      reason = tr("cannot read");
      break;
    case FileResult::kCannotDecode:
      reason = tr("cannot decode");
      break;
    case FileResult::kCannotProcess:
      reason = tr("cannot process");
      break;
    case FileResult::kCannotWrite:
      reason = tr("cannot write");
      break;
    default:
      reason = Q(Describe(result));
  }
  if (!detail.empty()) reason += QStringLiteral(" (") + Q(detail) + QLatin1Char(')');
  return reason;
}

QFont WindowFont() {
  const QStringList installed = QFontDatabase::families();
  QString family;
  for (const char* wanted : {"ＭＳ Ｐゴシック", "MS PGothic"}) {
    if (installed.contains(Q(wanted))) {
      family = Q(wanted);
      break;
    }
  }
  if (family.isEmpty()) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char* preferred :
         {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"}) {
      if (chinese.contains(Q(preferred))) {
        family = Q(preferred);
        break;
      }
    }
    if (family.isEmpty() && !chinese.isEmpty()) family = chinese.front();
  }
  QFont font;
  if (!family.isEmpty()) font.setFamilies({family});
  font.setPixelSize(12);
  return font;
}

TForm1::TForm1(std::string settingsPath, const platform::Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      settingsPath_(std::move(settingsPath)),
      clock_(clock) {
  InitWindowResources();
  setFont(WindowFont());
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  setPalette(white);
  ui.setupUi(this);
  FinishControls();
}

// The batch goes first: its threads finish the files in work before the controls go.
TForm1::~TForm1() { batch_.reset(); }

// What the layout cannot say: the font-dependent fitting, the preset ids and the handlers.
void TForm1::FinishControls() {
  ui.Label7->setText(ui.Label7->text() + Q(kVersion));  // the layout holds only the word
  {
    QPalette green = ui.Label7->palette();
    green.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x00));
    ui.Label7->setPalette(green);
  }
  dropHint_ = ui.Label2->text();
  // Designed sizes fit the designed font; a fallback font may be a little wider.
  for (QLabel* label : {ui.Label4, ui.Label5, ui.Label6, ui.Label7, ui.Label2, ui.Label3})
    label->adjustSize();

  RadioGroup1Items = {ui.RadioGroup1Item0, ui.RadioGroup1Item1, ui.RadioGroup1Item2,
                      ui.RadioGroup1Item3, ui.RadioGroup1Item4, ui.RadioGroup1Item5,
                      ui.RadioGroup1Item6, ui.RadioGroup1Item7};
  for (int i = 0; i < static_cast<int>(RadioGroup1Items.size()); ++i)
    ui.radioGroupButtons->setId(RadioGroup1Items[i], i);
  {
    // The five ideographic spaces must carry the "x" into the gap between the two custom
    // fields; with a fallback font they are wider than designed, so close them up.
    QRadioButton* custom = ui.RadioGroup1Item7;
    const QFontMetricsF metrics(custom->font());
    const qreal spaces = metrics.horizontalAdvance(QString(5, QChar(0x3000)));
    const qreal wanted = 44.0;
    if (spaces > wanted) {
      QFont narrower = custom->font();
      narrower.setLetterSpacing(QFont::AbsoluteSpacing, (wanted - spaces) / 5.0);
      custom->setFont(narrower);
    }
  }

  connect(ui.Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
  connect(ui.Edit3, &QLineEdit::textChanged, this, &TForm1::Edit3Change);
  connect(ui.EditPxX, &QLineEdit::textChanged, this, &TForm1::EditPxXChange);
  connect(ui.EditPxY, &QLineEdit::textChanged, this, &TForm1::EditPxYChange);
  connect(ui.TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  connect(ui.BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(ui.BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  // A shortcut rather than a key handler: the focused control would take Esc first.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &TForm1::CancelBatch);
}

// ---- Handlers -----------------------------------------------------------------------

void TForm1::Edit2Change() { SettleText(ui.Edit2, NormaliseQualityText); }
void TForm1::Edit3Change() { SettleText(ui.Edit3, NormaliseTargetSizeText); }
void TForm1::EditPxXChange() { SettleText(ui.EditPxX, NormaliseBoxText); }
void TForm1::EditPxYChange() { SettleText(ui.EditPxY, NormaliseBoxText); }

void TForm1::TrackBar1Change() {
  ui.TrackBar1->setToolTip(tr("百分比为:%1%").arg(ui.TrackBar1->value()));
}

void TForm1::BitBtn1Click() { close(); }

void TForm1::BitBtn2Click() {
  std::string help = S(HelpPage(QDir::currentPath(), language_));
  // The launchers start the program in the folder holding help/; an installed program
  // started from anywhere else still finds the help under its prefix.
  if (!platform::FileExists(help)) {
    const std::string program = platform::ExecutablePath();
    if (IsInstalledProgram(program))
      help = S(HelpPage(Q(program.substr(0, program.rfind('/')) + "/../share/brevine"), language_));
  }
  platform::OpenWithAssociatedProgram(help);
}

// ---- Options ----------------------------------------------------------------

int TForm1::RadioGroupIndex() const { return ui.radioGroupButtons->checkedId(); }

void TForm1::SetRadioGroupIndex(int index) {
  index = ClampBoxPreset(index);
  if (index >= 0) {
    RadioGroup1Items[index]->setChecked(true);
    return;
  }
  // An exclusive group never unchecks its last button by itself.
  ui.radioGroupButtons->setExclusive(false);
  for (QRadioButton* item : RadioGroup1Items) item->setChecked(false);
  ui.radioGroupButtons->setExclusive(true);
}

Options TForm1::CurrentOptions() const {
  Options o = held_;
  o.boxPreset = RadioGroupIndex();
  o.boxWidth = FieldNumber(&Options::boxWidth, S(ui.EditPxX->text()));
  o.boxHeight = FieldNumber(&Options::boxHeight, S(ui.EditPxY->text()));
  o.sharpen = ui.CheckBox1->isChecked();
  o.sharpenStrength = ui.TrackBar1->value();
  o.saturation = ui.CheckBox2->isChecked();
  o.grayscale = ui.CheckBox3->isChecked();
  o.progressive = ui.CheckBox4->isChecked();
  o.html = ui.CheckHtml->isChecked();
  o.fixedQuality = ui.RadioButton1->isChecked();
  o.quality = FieldNumber(&Options::quality, S(ui.Edit2->text()));
  o.targetSize = FieldNumber(&Options::targetSize, S(ui.Edit3->text()));
  o.subFolder = ui.RadioButton4->isChecked();
  o.textPosition = ui.ComboBox1->currentIndex();
  o.addedText = S(ui.Edit4->text());
  o.folderName = S(ui.Edit5->text());
  return o;
}

void TForm1::ApplyOptions(const Options& o) {
  held_ = o;
  SetRadioGroupIndex(o.boxPreset);
  ui.EditPxX->setText(QString::number(o.boxWidth));
  ui.EditPxY->setText(QString::number(o.boxHeight));
  ui.CheckBox1->setChecked(o.sharpen);
  ui.TrackBar1->setValue(ClampSharpenStrength(o.sharpenStrength));
  ui.CheckBox2->setChecked(o.saturation);
  ui.CheckBox3->setChecked(o.grayscale);
  ui.CheckBox4->setChecked(o.progressive);
  ui.CheckHtml->setChecked(o.html);
  // Each radio pair: the second button first, then the first from the stored value, so a
  // stored false leaves the second one selected (a checked exclusive button ignores
  // being unchecked).
  ui.RadioButton2->setChecked(true);
  ui.RadioButton1->setChecked(o.fixedQuality);
  ui.Edit2->setText(QString::number(o.quality));
  ui.Edit3->setText(QString::number(o.targetSize));
  ui.RadioButton3->setChecked(true);
  ui.RadioButton4->setChecked(o.subFolder);
  ui.ComboBox1->setCurrentIndex(CheckTextPosition(o.textPosition));
  ui.Edit4->setText(Q(o.addedText));
  ui.Edit5->setText(Q(o.folderName));
  ui.RadioButton1->setText(QualityLabel(FormatOf(o.format)));
}

// ---- First show and close -----------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
  if (state_ == State::kCreated) {
    state_ = State::kIdle;
    FormShow();
  }
  QWidget::showEvent(event);
}

void TForm1::FormShow() {
  ui.ProgressBar1->SetBackgroundBrush(QBrush(kHatchColour, Qt::DiagCrossPattern));
  ApplyOptions(ReadSettingsFile(settingsPath_));
  setAcceptDrops(true);
  if (QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (BatchRunning()) {
    // The files in work finish first; the batch's end then closes the window.
    state_ = State::kBatchClosing;
    laterDrops_.clear();
    batch_->Cancel();
    event->ignore();
    return;
  }
  if (state_ == State::kIdle) FormClose();
  event->accept();
}

void TForm1::FormClose() {
  state_ = State::kClosed;
  // A dialog still open is a choice not made: what is stored is what was accepted.
  if (moreOptions_) moreOptions_->reject();
  setAcceptDrops(false);
  WriteSettingsFile(settingsPath_, CurrentOptions());
}

// ---- The options beyond the controls ------------------------------------------------

// A menu rather than a button, so the fixed design stays as it is: every control that has
// no menu of its own passes the right click on to the window.
void TForm1::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (state_ == State::kCreated || state_ == State::kClosed) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("MoreOptionsMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  connect(menu->addAction(tr("更多选项…")), &QAction::triggered, this, &TForm1::ShowMoreOptions);
  menu->addSeparator();
  AddPresetActions(menu, this);
  menu->popup(event->globalPos());
}

void TForm1::ShowMoreOptions() {
  if (state_ == State::kCreated || state_ == State::kClosed) return;
  if (moreOptions_) {
    moreOptions_->raise();
    moreOptions_->activateWindow();
    return;
  }
  auto* dialog = new OptionsDialog(CurrentOptions(), this);
  dialog->setWindowModality(Qt::WindowModal);
  moreOptions_ = dialog;
  connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
    moreOptions_ = nullptr;
    dialog->deleteLater();
    if (result != QDialog::Accepted || state_ == State::kClosed) return;
    // The controls may have moved on while the dialog was open (a batch settles the
    // naming fields): only the dialog's own flags change. A file reads them at its start.
    const Options now = CurrentOptions();
    const Options chosen = dialog->Values(now);
    if (chosen != now) ApplyOptions(chosen);
  });
  dialog->open();
}

// ---- Drops and the batch ------------------------------------------------------------

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  std::string uriList = data->data(QStringLiteral("text/uri-list")).toStdString();
  if (uriList.empty()) {
    for (const QUrl& url : data->urls()) uriList += url.toEncoded().toStdString() + "\r\n";
  }
  event->acceptProposedAction();
  // Only the list is taken here; the batch runs after this handler has returned, so the
  // file manager is not held for the whole batch.
  DropFiles(platform::LocalPathsFromUriList(uriList));
}

void TForm1::DropFiles(const std::vector<std::string>& dropped) {
  if (dropped.empty()) return;
  // With `folders` on, a dropped folder stands for the images of its tree, so the bar
  // counts files. The walk lists names only, on the batch's own thread: a large library
  // would hold the window for seconds, and Esc could not stop it.
  std::optional<Options> walk;
  if (held_.folders) walk = CurrentOptions();
  switch (state_) {
    case State::kIdle:
      StartBatch(dropped, std::move(walk));
      return;
    case State::kBatch:
      if (batch_->Append(dropped, std::move(walk))) {
        ui.ProgressBar1->setMaximum(
            static_cast<int>(std::min<std::size_t>(batch_->Count(), INT32_MAX)));
      } else {
        // The batch is past its last file (or cancelled): these start the next one.
        laterDrops_.insert(laterDrops_.end(), dropped.begin(), dropped.end());
      }
      return;
    case State::kCreated:
    case State::kBatchClosing:
    case State::kClosed:
      return;
  }
}

void TForm1::StartBatch(const std::vector<std::string>& paths, std::optional<Options> walk) {
  state_ = State::kBatch;
  failures_.clear();
  replacements_.clear();
  ui.Label2->setText(dropHint_);
  ui.Label2->setToolTip(QString());
  ui.Label2->adjustSize();
  ui.ProgressBar1->setMinimum(0);
  ui.ProgressBar1->setMaximum(
      static_cast<int>(std::min<std::size_t>(walk ? 0 : paths.size(), INT32_MAX)));
  ui.ProgressBar1->setValue(0);

  WindowBatch::Events events;
  events.options = [this] { return CurrentOptions(); };
  events.started = [this](std::size_t index, const std::string& path) {
    emit FileStarted(static_cast<int>(std::min<std::size_t>(index, INT32_MAX)), Q(path));
  };
  events.preview = [this](std::size_t, const QImage& preview) {
    ui.Image1->setPixmap(QPixmap::fromImage(preview));
    ui.Image1->show();
  };
  events.committed = [this](std::size_t index, const std::string& path, FileResult result,
                            const std::string& detail, const std::string& replaced) {
    FileCommitted(index, path, result, detail, replaced);
  };
  events.settled = [this](const Options& before, const Options& after) {
    SettleNaming(before, after);
  };
  events.walking = [this](std::size_t found) {
    ui.Label2->setText(
        tr("已找到 %n 个文件", nullptr, static_cast<int>(std::min<std::size_t>(found, INT32_MAX))));
    ui.Label2->adjustSize();
  };
  events.walked = [this] {
    ui.ProgressBar1->setMaximum(
        static_cast<int>(std::min<std::size_t>(batch_->Count(), INT32_MAX)));
    if (!batch_->Walking()) {
      ui.Label2->setText(dropHint_);
      ui.Label2->adjustSize();
    }
  };
  const int jobs = jobs_ > 0 ? jobs_ : DefaultJobs();
  batch_ = std::make_unique<WindowBatch>(
      paths, std::move(walk), clock_, jobs, ui.Image1->size(), std::move(events), this,
      [this] { BatchEnded(); }, workers_);
}

void TForm1::FileCommitted(std::size_t index, const std::string& path, FileResult result,
                           const std::string& detail, const std::string& replaced) {
  ui.ProgressBar1->setValue(static_cast<int>(std::min<std::size_t>(index + 1, INT32_MAX)));
  // A file passed over for its extension was never meant to be a picture.
  if (result != FileResult::kWritten && result != FileResult::kNotAnImage)
    failures_.push_back(Q(path) + QStringLiteral(": ") + FailureReason(result, detail));
  // Two sources with one output name: the later one's picture is the one left on disk.
  if (!replaced.empty())
    replacements_.push_back(Q(path) + QStringLiteral(": ") +
                            //: Drop hint's tool-tip: a later source gave the same output name.
                            tr("replaces the result of %1").arg(Q(replaced)));
  emit FileProcessed(static_cast<int>(std::min<std::size_t>(index, INT32_MAX)), Q(path));
}

// The naming rules put a default into an empty field at the commit; the field takes it
// unless the person has typed something else there since the file started.
void TForm1::SettleNaming(const Options& before, const Options& after) {
  if (after.addedText != before.addedText && S(ui.Edit4->text()) == before.addedText)
    ui.Edit4->setText(Q(after.addedText));
  if (after.folderName != before.folderName && S(ui.Edit5->text()) == before.folderName)
    ui.Edit5->setText(Q(after.folderName));
}

void TForm1::BatchEnded() {
  batch_.reset();
  // Said once per run, in the results of the batch that found it.
  if (workers_ != nullptr) {
    if (const std::string warning = workers_->TakeWarning(); !warning.empty()) {
      std::fprintf(stderr, "brevine: %s\n", warning.c_str());
      const std::optional<WorkerReady> ready = workers_->Confinement();
      //: Drop hint's tool-tip: the kernel let the photos be read only without the walls
      //: around their decoders; %1 says what was missing (in English).
      unconfined_ = tr("照片未经隔离解码：%1").arg(Q(ready ? ready->why : warning));
    } else {
      unconfined_.clear();
    }
  }
  ui.ProgressBar1->setValue(0);
  ui.Label2->setText(dropHint_);  // a walk cut short leaves its count there
  ui.Image1->hide();
  if (!failures_.isEmpty())
    ui.Label2->setText(tr("%n 个文件未能处理", nullptr, static_cast<int>(failures_.size())));
  ui.Label2->adjustSize();
  // Replaced results are no failure: the hint's text stays, its tool-tip names them.
  QStringList notes = failures_ + replacements_;
  if (!unconfined_.isEmpty()) notes.prepend(unconfined_);
  if (!notes.isEmpty()) ui.Label2->setToolTip(notes.join(QLatin1Char('\n')));
  const bool closeRequested = state_ == State::kBatchClosing;
  state_ = State::kIdle;
  if (closeRequested) close();
  emit BatchFinished();
  if (state_ == State::kIdle && !laterDrops_.empty()) {
    std::optional<Options> walk;
    if (held_.folders) walk = CurrentOptions();
    StartBatch(std::exchange(laterDrops_, {}), std::move(walk));
  }
}

void TForm1::CancelBatch() {
  if (state_ != State::kBatch) return;
  laterDrops_.clear();
  batch_->Cancel();
  // The bar's end is now the files already started.
  ui.ProgressBar1->setMaximum(static_cast<int>(std::min<std::size_t>(batch_->Count(), INT32_MAX)));
}

}  // namespace brevine
