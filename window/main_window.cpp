#include "main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "batch_runner.h"
#include "brevine_version.h"
#include "codecs.h"
#include "decode_worker.h"
#include "desktop_services.h"
#include "drop.h"
#include "file_system.h"
#include "folder_walk.h"
#include "options_dialog.h"
#include "presets_menu.h"
#include "results_dialog.h"
#include "shell_open.h"
#include "window_batch.h"
#include "window_language.h"
#include "window_palette.h"

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
      return QCoreApplication::translate("Form1", "指定JXL压缩率(%)");
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

// The width the drop hint may take when a summary needs more than one line: up to the
// frame of the naming area, which ends where the preview does.
constexpr int kHintRight = 464;

// The summary's focus frame: a plain box in the text's colour, drawn in the pixel that the
// margin keeps free, so the text does not move when the focus comes.
void FrameSummary(QLabel* label, bool framed) {
  label->setFrameStyle(framed ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
  label->setLineWidth(1);
  const int margin = framed ? 0 : 1;
  label->setContentsMargins(margin, margin, margin, margin);
}

}  // namespace

QStringList ChoosePhotosInDialog(QWidget* parent, const QString& folder) {
  QStringList patterns;
  for (const std::string& extension : DecoderExtensions()) {
    const QString e = Q(extension).mid(1);
    patterns << QStringLiteral("*.") + e << QStringLiteral("*.") + e.toUpper();
  }
  const QString filter = TForm1::tr("图片 (%1)").arg(patterns.join(QLatin1Char(' ')));
  return QFileDialog::getOpenFileNames(parent, TForm1::tr("添加照片"), folder, filter);
}

std::vector<std::string> LocalPathsOf(const QMimeData& data) {
  std::string uriList = data.data(QStringLiteral("text/uri-list")).toStdString();
  if (uriList.empty()) {
    for (const QUrl& url : data.urls()) uriList += url.toEncoded().toStdString() + "\r\n";
  }
  if (uriList.empty()) {
    // GNOME's file managers: "copy" or "cut", then one URI a line.
    const QByteArray copied = data.data(QStringLiteral("x-special/gnome-copied-files"));
    const qsizetype firstBreak = copied.indexOf('\n');
    if (firstBreak >= 0) uriList = copied.mid(firstBreak + 1).toStdString();
  }
  return platform::LocalPathsFromUriList(uriList);
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
  // The whole palette, not the background alone: under a dark theme the controls would
  // otherwise draw the theme's light text on the designed white.
  setPalette(DesignedPalette());
  ui.setupUi(this);
  notifier_ = new Notifier(this);
  desktop_.choosePhotos = ChoosePhotosInDialog;
  desktop_.showItems = ShowInFileManager;
  desktop_.notify = [this](const QString& title, const QString& body, const QString& actionText,
                           std::function<void()> action) {
    notifier_->Notify(title, body, actionText, std::move(action));
  };
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
  dropHintPlace_ = ui.Label2->geometry();
  ui.Label5->setBuddy(ui.Edit4);
  ui.Label6->setBuddy(ui.Edit5);
  // The drop hint becomes the batch's summary, which opens the results.
  // It joins the tab chain after the last field, taking the focus only while it shows a
  // summary (the tab order skips a control that takes no focus when it is set).
  ui.Label2->installEventFilter(this);
  ui.Label2->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(ui.Edit5, ui.Label2);
  setTabOrder(ui.Label2, ui.OptionsButton);
  ui.Label2->setFocusPolicy(Qt::NoFocus);

  {
    // Every format the option takes, by its name where the narrow box has room for it.
    const OptionRow& row = *FindOption("format");
    const std::vector<std::string> values = ChoiceValues(row);
    const std::vector<std::string> labels = ChoiceLabels(row);
    const int room = ui.ComboFormat->TextRect().width();
    for (std::size_t i = 0; i < values.size(); ++i) {
      const QString label = i < labels.size() ? Q(labels[i]) : Q(values[i]);
      const bool fits = ui.ComboFormat->fontMetrics().horizontalAdvance(label) <= room;
      ui.ComboFormat->addItem(fits ? label : Q(values[i]).toUpper(), Q(values[i]));
      ui.ComboFormat->setItemData(ui.ComboFormat->count() - 1, label, Qt::ToolTipRole);
    }
  }
  connect(ui.ComboFormat, &QComboBox::activated, this, &TForm1::FormatChosen);
  connect(ui.OptionsButton, &QPushButton::clicked, this, &TForm1::ShowMoreOptions);

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
  AddShortcuts();
  NameControls();
}

// Shortcuts rather than key handlers: the focused control would take the keys first. A
// field that pastes text itself keeps Ctrl+V.
void TForm1::AddShortcuts() {
  const auto add = [this](const QKeySequence& keys, void (TForm1::*slot)()) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, slot);
  };
  add(QKeySequence(Qt::Key_Escape), &TForm1::CancelBatch);
  add(QKeySequence(Qt::CTRL | Qt::Key_O), &TForm1::AddPhotos);
  add(QKeySequence(Qt::CTRL | Qt::Key_V), &TForm1::PastePhotos);
  add(QKeySequence(Qt::Key_F1), &TForm1::BitBtn2Click);
  add(QKeySequence(Qt::CTRL | Qt::Key_Q), &TForm1::BitBtn1Click);
  add(QKeySequence(Qt::SHIFT | Qt::Key_F10), &TForm1::ShowMenuFromKeyboard);
}

// What a screen reader says for each control: its own text where it has one that says
// what it holds, else a name for what it holds; the tool-tip is the description.
void TForm1::NameControls() {
  const auto name = [](QWidget* w, const QString& text, const QString& description = {}) {
    w->setAccessibleName(text);
    w->setAccessibleDescription(description.isEmpty() ? w->toolTip() : description);
  };
  name(ui.RadioGroup1, ui.RadioGroup1->title());
  for (QRadioButton* item : RadioGroup1Items)
    if (item != ui.RadioGroup1Item7) name(item, item->text(), ui.RadioGroup1->toolTip());
  name(ui.RadioGroup1Item7, tr("自定义尺寸"), ui.RadioGroup1->toolTip());
  name(ui.EditPxX, tr("自定义宽度"));
  name(ui.EditPxY, tr("自定义高度"));
  name(ui.GroupBox1, ui.GroupBox1->title());
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
           ui.CheckBox1, ui.CheckBox2, ui.CheckBox3, ui.CheckBox4, ui.CheckHtml, ui.RadioButton2,
           ui.RadioButton3, ui.RadioButton4, ui.OptionsButton, ui.BitBtn2, ui.BitBtn1})
    name(b, b->text());
  // The fixed-quality button's text changes with the format: Qt reads it from the text.
  ui.RadioButton1->setAccessibleDescription(ui.RadioButton1->toolTip());
  // The track bar's description is its tool-tip, which follows the strength; its value is
  // read as a value.
  ui.TrackBar1->setAccessibleName(tr("锐化强度"));
  name(ui.Edit2, tr("压缩质量"), tr("1 到 100"));
  name(ui.ComboFormat, tr("保存格式"));
  name(ui.Edit3, tr("文件大小（KB）"));
  // A drop-down's name on Linux is its current item; what it sets is its description.
  name(ui.ComboBox1, tr("添加位置"), tr("添加位置"));
  name(ui.Edit4, tr("添加的文字"));
  name(ui.Edit5, tr("文件夹名称"));
  name(ui.Image1, tr("预览"));
  // The progress bar's description is its tool-tip, which names the file in work.
  ui.ProgressBar1->setAccessibleName(tr("进度"));
}

// ---- Handlers -----------------------------------------------------------------------

// Edit2 holds the chosen format's quality, under that format's rule (JPEG's is the design's).
void TForm1::Edit2Change() {
  const std::string text = S(ui.Edit2->text());
  const std::string settled =
      SettleNumberText(*OptionOf(Options::QualityField(held_.format)), text);
  if (settled != text) ui.Edit2->setText(Q(settled));
}
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
  const auto quality = Options::QualityField(o.format);
  o.*quality = FieldNumber(quality, S(ui.Edit2->text()));
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
  ui.Edit2->setText(QString::number(o.FormatQuality()));
  ui.Edit3->setText(QString::number(o.targetSize));
  ui.RadioButton3->setChecked(true);
  ui.RadioButton4->setChecked(o.subFolder);
  ui.ComboBox1->setCurrentIndex(CheckTextPosition(o.textPosition));
  ui.Edit4->setText(Q(o.addedText));
  ui.Edit5->setText(Q(o.folderName));
  ShowFormat(o.format);
}

// The drop-down, the fixed-quality button's text and the progressive box follow the format.
void TForm1::ShowFormat(const std::string& format) {
  const OutputFormat chosen = FormatOf(format);
  ui.ComboFormat->setCurrentIndex(ui.ComboFormat->findData(Q(format)));
  ui.RadioButton1->setText(QualityLabel(chosen));
  // Progressive is JPEG's own; the box keeps its state for when JPEG is chosen again.
  ui.CheckBox4->setEnabled(chosen == OutputFormat::kJpeg);
}

void TForm1::FormatChosen(int index) {
  const std::string format = S(ui.ComboFormat->itemData(index).toString());
  if (format.empty() || format == held_.format) return;
  // The quality typed so far stays with the format it was typed for; Edit2 then shows the
  // new format's own.
  held_ = CurrentOptions();
  held_.format = format;
  ui.Edit2->setText(QString::number(held_.FormatQuality()));
  ShowFormat(format);
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

// ---- The options beyond the controls, the menu and the keys ------------------------

// The menu opens wherever a control has no menu of its own: a right click passes it on to
// the window, and so do Shift+F10 and the menu key on such a control.
void TForm1::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (state_ == State::kCreated || state_ == State::kClosed) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("MoreOptionsMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* add = menu->addAction(tr("添加照片…"), this, &TForm1::AddPhotos);
  add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* paste = menu->addAction(tr("粘贴照片"), this, &TForm1::PastePhotos);
  paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
  paste->setEnabled(clipboard != nullptr && !LocalPathsOf(*clipboard).empty());
  QAction* results = menu->addAction(tr("结果…"), this, &TForm1::ShowResults);
  results->setEnabled(!results_.Empty() && !BatchRunning());
  menu->addSeparator();
  menu->addAction(tr("更多选项…"), this, &TForm1::ShowMoreOptions);
  menu->addSeparator();
  AddPresetActions(menu, this);
  menu->popup(event->globalPos());
  if (event->reason() == QContextMenuEvent::Keyboard) menu->setActiveAction(add);
}

void TForm1::ShowMenuFromKeyboard() {
  QWidget* target = focusWidget() != nullptr ? focusWidget() : this;
  const QPoint at = target->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
  QApplication::sendEvent(target, &event);
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

void TForm1::AddPhotos() {
  if (state_ != State::kIdle && state_ != State::kBatch) return;
  if (!desktop_.choosePhotos) return;
  // Not the working folder: a launcher starts the program in its data folder.
  if (photoFolder_.isEmpty()) {
    photoFolder_ = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(photoFolder_).isDir()) photoFolder_ = QDir::homePath();
  }
  const QStringList chosen = desktop_.choosePhotos(this, photoFolder_);
  if (!chosen.isEmpty()) photoFolder_ = QFileInfo(chosen.front()).absolutePath();
  std::vector<std::string> paths;
  for (const QString& path : chosen) paths.push_back(S(path));
  DropFiles(paths);
}

void TForm1::PastePhotos() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data != nullptr) DropFiles(LocalPathsOf(*data));
}

// ---- The results ----------------------------------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui.Label2 && !results_.Empty() && !BatchRunning()) {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        FrameSummary(ui.Label2, event->type() == QEvent::FocusIn);
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          ShowResults();
          return true;
        }
        break;
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
          ShowResults();
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::ShowResults() {
  if (results_.Empty() || BatchRunning() || state_ != State::kIdle) return;
  if (resultsDialog_) {
    resultsDialog_->raise();
    resultsDialog_->activateWindow();
    return;
  }
  auto* dialog = new ResultsDialog(
      results_, [this](const QStringList& paths) { desktop_.showItems(paths); }, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  resultsDialog_ = dialog;
  dialog->show();
}

void TForm1::SetResults(BatchResults results) {
  results_ = std::move(results);
  ShowSummary();
}

void TForm1::ShowDropHint() {
  ui.Label2->setFrameStyle(QFrame::NoFrame);
  ui.Label2->setContentsMargins(0, 0, 0, 0);
  ui.Label2->setWordWrap(false);
  ui.Label2->setText(dropHint_);
  ui.Label2->setToolTip(QString());
  ui.Label2->setCursor(Qt::ArrowCursor);
  ui.Label2->setFocusPolicy(Qt::NoFocus);
  QFont plain = ui.Label2->font();
  plain.setUnderline(false);
  ui.Label2->setFont(plain);
  ui.Label2->setAccessibleName(QString());
  ui.Label2->setAccessibleDescription(QString());
  ui.Label2->move(dropHintPlace_.topLeft());
  ui.Label2->adjustSize();
}

// The summary reads as a link: underlined, the hand cursor, reached by Tab, framed while it
// has the focus.
void TForm1::ShowSummary() {
  const QString summary = results_.Summary();
  if (summary.isEmpty()) {
    ShowDropHint();
    return;
  }
  FrameSummary(ui.Label2, ui.Label2->hasFocus());
  QFont underlined = ui.Label2->font();
  underlined.setUnderline(true);
  ui.Label2->setFont(underlined);
  ui.Label2->setText(summary);
  //: Tool-tip of the batch's summary.
  const QString help = tr("单击或按 Enter 查看每个文件的结果");
  // Photos read without confinement: said with the batch that found it.
  ui.Label2->setToolTip(unconfined_.isEmpty() ? help : unconfined_ + QLatin1Char('\n') + help);
  ui.Label2->setAccessibleName(summary);
  ui.Label2->setAccessibleDescription(help);
  ui.Label2->setCursor(Qt::PointingHandCursor);
  ui.Label2->setFocusPolicy(Qt::StrongFocus);
  // One line where it fits before the naming area's frame ends, else wrapped to it.
  ui.Label2->setWordWrap(false);
  ui.Label2->move(dropHintPlace_.topLeft());
  ui.Label2->adjustSize();
  const int room = kHintRight - dropHintPlace_.left();
  if (ui.Label2->width() > room) {
    ui.Label2->setWordWrap(true);
    ui.Label2->resize(room, ui.Label2->heightForWidth(room));
  }
}

void TForm1::NotifyIfAway(qint64 elapsedMs) {
  if (elapsedMs <= desktop_.notifyAfterMs || isActiveWindow() || results_.Empty()) return;
  if (!desktop_.notify) return;
  QPointer<TForm1> self(this);
  desktop_.notify(QStringLiteral("Brevine"), results_.Summary(), tr("打开文件夹"), [self] {
    if (!self) return;
    QStringList written;
    for (const ResultRow& row : self->results_.Rows())
      if (row.Written()) written << row.result;
    if (written.isEmpty() && !self->results_.Empty())
      written << self->results_.Rows().front().source;
    self->desktop_.showItems(written);
  });
}

// ---- Drops and the batch ------------------------------------------------------------

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = LocalPathsOf(*event->mimeData());
  event->acceptProposedAction();
  // Only the list is taken here; the batch runs after this handler has returned, so the
  // file manager is not held for the whole batch.
  DropFiles(paths);
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
  batchClock_.start();
  results_.Clear();
  if (resultsDialog_) resultsDialog_->close();
  if (ui.Label2->hasFocus()) focusNextPrevChild(true);
  ShowDropHint();
  ui.ProgressBar1->setMinimum(0);
  ui.ProgressBar1->setMaximum(
      static_cast<int>(std::min<std::size_t>(walk ? 0 : paths.size(), INT32_MAX)));
  ui.ProgressBar1->setValue(0);
  batchDone_ = 0;

  WindowBatch::Events events;
  events.options = [this] { return CurrentOptions(); };
  events.started = [this](std::size_t index, const std::string& path) {
    FileStartedInBatch(index, path);
  };
  events.preview = [this](std::size_t, const QImage& preview) {
    ui.Image1->setPixmap(QPixmap::fromImage(preview));
    ui.Image1->show();
  };
  events.committed = [this](std::size_t index, const std::string& path, const CommittedFile& file,
                            const std::string& replaced) {
    FileCommitted(index, path, file, replaced);
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

void TForm1::FileStartedInBatch(std::size_t index, const std::string& path) {
  //: The progress bar's tool-tip during a batch: the file started last, its place in the
  //: batch, and how to stop.
  ui.ProgressBar1->setToolTip(tr("%1 / %2 · %3\n按 Esc 停止尚未开始的文件")
                                  .arg(index + 1)
                                  .arg(batch_ ? batch_->Count() : index + 1)
                                  .arg(QFileInfo(Q(path)).fileName()));
  ui.ProgressBar1->setAccessibleDescription(ui.ProgressBar1->toolTip());
  emit FileStarted(static_cast<int>(std::min<std::size_t>(index, INT32_MAX)), Q(path));
}

void TForm1::FileCommitted(std::size_t index, const std::string& path, const CommittedFile& file,
                           const std::string& replaced) {
  // Files finish in their order, but after Esc some before the last file started may
  // never start: the bar counts the files reported.
  ui.ProgressBar1->setValue(static_cast<int>(std::min<std::size_t>(++batchDone_, INT32_MAX)));
  ResultRow row;
  row.source = Q(path);
  // The source was just read: asking its size again costs one look at a cached entry.
  const QFileInfo source(row.source);
  if (source.isFile()) row.before = source.size();
  QStringList notes;
  if (WroteResult(file.result)) {
    row.result = Q(file.writtenPath.empty() ? path : file.writtenPath);
    row.width = file.width;
    row.height = file.height;
    row.after = static_cast<std::int64_t>(file.bytes);
    // Kept, or written without its index line.
    if (file.result != FileResult::kWritten)
      notes << BatchResults::Reason(file.result, file.detail);
    // Two sources with one output name: the later one's picture is the one left on disk.
    if (!replaced.empty())
      //: A later source gave the same output name as an earlier one.
      notes << tr("replaces the result of %1").arg(Q(replaced));
  } else {
    // Files of every kind count: a text file or a folder dropped while whole folders are
    // off is not reduced, and the list says why.
    row.skipped = file.result == FileResult::kSkipped;
    notes << BatchResults::Reason(file.result, file.detail, source.isDir());
  }
  for (const std::string& warning : file.warnings) notes << BatchResults::Detail(warning);
  row.note = notes.join(QStringLiteral("; "));
  results_.Add(std::move(row));
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
  const qint64 elapsed = batchClock_.elapsed();
  // Said once per run on standard error; the summary's tool-tip keeps it for the run.
  if (workers_ != nullptr) {
    if (const std::string warning = workers_->TakeWarning(); !warning.empty()) {
      std::fprintf(stderr, "brevine: %s\n", warning.c_str());
      const std::optional<WorkerReady> ready = workers_->Confinement();
      //: Drop hint's tool-tip: the kernel let the photos be read only without the walls
      //: around their decoders; %1 says what was missing (in English).
      unconfined_ = tr("照片未经隔离解码：%1").arg(Q(ready ? ready->why : warning));
    }
  }
  ui.ProgressBar1->setValue(0);
  ui.ProgressBar1->setToolTip(QString());
  ui.ProgressBar1->setAccessibleDescription(QString());
  ui.Image1->hide();
  const bool closeRequested = state_ == State::kBatchClosing;
  state_ = State::kIdle;
  ShowSummary();
  if (closeRequested) {
    close();
  } else {
    NotifyIfAway(elapsed);
  }
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
  ui.ProgressBar1->setMaximum(
      static_cast<int>(std::min<std::size_t>(batch_->Started(), INT32_MAX)));
}

}  // namespace brevine
