#include "command_line.h"

#include <getopt.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <sstream>

#include "batch_runner.h"
#include "brevine_version.h"
#include "decode_worker.h"
#include "desktop_notification.h"
#include "file_system.h"
#include "folder_walk.h"
#include "output_stage.h"
#include "path_list.h"
#include "path_text.h"
#include "presets.h"
#include "run_places.h"
#include "settings_file.h"

namespace brevine {
namespace {

// The run's own switches; the options' flags come from the option table.
enum RunSwitch {
  kHelpSwitch = 1,
  kVersionSwitch,
  kVerbose,
  kJobs,
  kSettings,
  kPreset,
  kListPresets,
  kDesktop,
  kWindow,
  kFilesFrom,
  kNull
};
struct RunFlag {
  RunSwitch id;
  char shortName;
  const char* longName;
  const char* argument;
  const char* help;
};
constexpr RunFlag kRunFlags[] = {
    {kJobs, 'j', "jobs", "N", "work on N files at once (over BREVINE_JOBS)"},
    {kSettings, 0, "settings", "FILE", "read the options from FILE instead of the settings file"},
    {kPreset, 'p', "preset", "NAME",
     "apply the preset NAME over the stored options (the other flags still win)"},
    {kListPresets, 0, "list-presets", nullptr, "print the presets' names, one a line, and end"},
    {kDesktop, 0, "desktop", nullptr,
     "a run the desktop started: an open window takes the files when no other option is "
     "given (-r aside); else the run ends with a notification of what it did"},
    {kWindow, 0, "window", nullptr,
     "open the window with the files dropped on it (an open window takes them)"},
    {kFilesFrom, 0, "files-from", "FILE",
     "reduce the files FILE names too, one a line (-: standard input)"},
    {kNull, '0', "null", nullptr,
     "the names of --files-from end in NUL bytes (find -print0), not line ends"},
    {kVerbose, 'v', "verbose", nullptr,
     "print a line for each written file: source, result, pixels, bytes, quality"},
    {kHelpSwitch, 'h', "help", nullptr, "print this help and end"},
    {kVersionSwitch, 'V', "version", nullptr, "print the version and end"},
};
constexpr int kTableFlag = 256;  // getopt's value for the table's flag i: kTableFlag + i

std::string FlagName(char shortName, const char* longName) {
  std::string s = "  ";
  s += shortName ? std::string("-") + shortName + ", " : "    ";
  s += "--";
  s += longName;
  return s;
}

void HelpLine(std::ostringstream& s, std::string left, const char* help) {
  constexpr std::size_t kColumn = 30;
  s << left;
  if (left.size() + 2 > kColumn)
    s << "\n" << std::string(kColumn, ' ');
  else
    s << std::string(kColumn - left.size(), ' ');
  s << help << "\n";
}

std::string Minutes(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// The one-line display of a run's progress on a terminal, redrawn in place.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool on, std::size_t total)
      : err_(err), on_(on && total > 1), total_(total) {}
  ~ProgressLine() { Clear(); }

  void Show(std::size_t done, const std::string& current) {
    if (!on_) return;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::string name = current;
    if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
    err_ << "\r\033[K" << done << "/" << total_ << "  " << name << "  " << Minutes(elapsed);
    if (done > 0 && done < total_)
      err_ << ", about " << Minutes(elapsed / done * (total_ - done)) << " left";
    err_.flush();
    drawn_ = true;
  }
  void Clear() {
    if (!drawn_) return;
    err_ << "\r\033[K";
    err_.flush();
    drawn_ = false;
  }

 private:
  std::ostream& err_;
  const bool on_;
  const std::size_t total_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  bool drawn_ = false;
};

// The run's files as the batch asks for them, from the packed list, each prepared with the
// options of the run's start and committed with the run's own settings.
class ListFeed final : public BatchFeed {
 public:
  ListFeed(const PathList& list, Options options, ProcessSettings& settings)
      : list_(list), options_(std::move(options)), settings_(settings) {}

  std::optional<BatchItem> Next(std::size_t index) override {
    if (index >= list_.Files()) return std::nullopt;
    return BatchItem{list_.FileAt(index).path, options_, list_.Files() - index - 1};
  }

  ProcessSettings* CommitSettings() override { return &settings_; }

 private:
  const PathList& list_;
  const Options options_;
  ProcessSettings& settings_;
};

// The results "Open folder" shows at most.
constexpr std::size_t kShownResults = 64;

std::string Bytes(std::uint64_t n) {
  char text[32];
  if (n < 1024)
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(n));
  else if (n < 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(n) / 1024);
  else
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(n) / (1024 * 1024));
  return text;
}

}  // namespace

std::string SummaryTitle(const RunSummary& s) {
  if (s.written == 0) return "Brevine: no photo written";
  return "Brevine: " + std::to_string(s.written) + (s.written == 1 ? " photo" : " photos") +
         " written";
}

std::string SummaryBody(const RunSummary& s) {
  std::string body;
  if (s.written > 0) body = Bytes(s.bytesBefore) + " before, " + Bytes(s.bytesAfter) + " after";
  if (s.failed > 0) {
    if (!body.empty()) body += "\n";
    body += std::to_string(s.failed) + " not written; the first: " + s.firstFailure;
  }
  return body;
}

std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times, int jobs) {
  return RunBatch(absolutePaths, settings, clock, jobs > 0 ? jobs : DefaultJobs(), times);
}

std::string SummaryLine(const RunSummary& summary) {
  const auto megabytes = [](std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return std::string(text);
  };
  return std::to_string(summary.written) + " written, " + std::to_string(summary.skipped) +
         " skipped, " + std::to_string(summary.failed) + " failed; " +
         megabytes(summary.bytesBefore) + " \u2192 " + megabytes(summary.bytesAfter);
}

std::vector<std::string> ListedNames(const std::string& text, bool null) {
  std::vector<std::string> names;
  ForEachListedName(text, null, [&](const std::string& name) { names.push_back(name); });
  return names;
}

void ForEachListedName(const std::string& text, bool null,
                       const std::function<void(const std::string& name)>& take) {
  const char end = null ? '\0' : '\n';
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = text.find(end, start);
    if (stop == std::string::npos) stop = text.size();
    std::string name = text.substr(start, stop - start);
    if (!null && !name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) take(name);
    start = stop + 1;
  }
}

std::string UsageText() {
  std::ostringstream s;
  s << "Usage: brevine [OPTION...] [--] [IMAGE|FOLDER...]\n"
       "       brevine /sc [OPTION...] [IMAGE|FOLDER...]\n"
       "\n"
       "Reduces each IMAGE (.jpg .jpeg .gif .png .bmp .webp .heic .heif .hif .avif) to fit a\n"
       "box and writes it as a JPEG beside it, under an added text or in a sub-folder. The\n"
       "options are those the window stored; the flags change them for this run only.\n"
       "JPEG is the format for mail; --format=webp or avif writes smaller files for the web.\n"
       "Without arguments the window opens. \"/sc\" as the first argument puts a launcher on\n"
       "the desktop first. A file whose name begins with \"-\" is named after \"--\" or as\n"
       "./-name.\n"
       "\nOptions:\n";
  for (const OptionRow& row : OptionTable())
    for (const OptionFlag& flag : row.flags) {
      if (!flag.longName) continue;
      std::string left = FlagName(flag.shortName, flag.longName);
      if (flag.argument)
        left += flag.optionalArgument ? std::string("[=") + flag.argument + "]"
                                      : std::string("=") + flag.argument;
      HelpLine(s, left, flag.help);
    }
  for (const RunFlag& flag : kRunFlags) {
    std::string left = FlagName(flag.shortName, flag.longName);
    if (flag.argument) left += std::string("=") + flag.argument;
    HelpLine(s, left, flag.help);
  }
  s << "\n"
       "Options are read from the program's path with \".ini\" added, or, for an installed\n"
       "program or where the program's folder cannot be written, from\n"
       "~/.config/brevine/brevine.ini. A command-line run never changes them.\n"
       "\n"
       "Environment:\n"
       "  BREVINE_JOBS=N   files worked on at once (default: one per core, as free memory\n"
       "                   allows; 1 works through them one after the other)\n"
       "\n"
       "Exit status: 0 when every IMAGE was written; 1 when one was not, with a line\n"
       "\"brevine: IMAGE: REASON\" on standard error for each; 2 for a usage error. Of two\n"
       "IMAGEs with one output name (a.jpg and a.png) the later one's result stays, and it says\n"
       "so: \"brevine: IMAGE: replaces the result of EARLIER\".\n";
  return s.str();
}

namespace {

// Text as troff shows it: hyphens as minus signs, backslashes escaped.
std::string Troff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  return out;
}

std::string ManualFlag(char shortName, const char* longName, const char* argument,
                       bool optionalArgument, const char* help) {
  std::string s = ".TP\n";
  if (shortName) s += "\\fB\\-" + std::string(1, shortName) + "\\fR, ";
  s += "\\fB\\-\\-" + Troff(longName) + "\\fR";
  if (argument)
    s += std::string(optionalArgument ? "[=" : "=") + "\\fI" + Troff(argument) + "\\fR" +
         (optionalArgument ? "]" : "");
  return s + "\n" + Troff(help) + ".\n";
}

}  // namespace

std::string ManualOptions() {
  std::string s;
  for (const OptionRow& row : OptionTable())
    for (const OptionFlag& flag : row.flags)
      if (flag.longName)
        s += ManualFlag(flag.shortName, flag.longName, flag.argument, flag.optionalArgument,
                        flag.help);
  for (const RunFlag& flag : kRunFlags)
    s += ManualFlag(flag.shortName, flag.longName, flag.argument, false, flag.help);
  return s;
}

std::string ManualSettings() {
  std::string s;
  std::string_view section;
  for (const OptionRow& row : OptionTable()) {
    if (section != row.section) {
      section = row.section;
      s += ".SS [" + std::string(section) + "]\n";
    }
    const std::string value = row.defaultValue[0] ? Troff(row.defaultValue) : "empty";
    s += ".TP\n.BR " + Troff(row.key) + " \" (default " + value + ")\"\n" + Troff(row.help);
    if (row.type == OptionType::kChoice) {
      std::string list;
      for (const std::string& v : ChoiceValues(row)) list += (list.empty() ? "" : ", ") + v;
      s += "; one of " + Troff(list);
    }
    s += ".\n";
  }
  return s;
}

Arguments ParseArguments(const std::vector<std::string>& given) {
  Arguments a;
  std::vector<std::string> args = given;
  // The launcher switch keeps its place and form: first, exactly "/sc".
  if (!args.empty() && args[0] == "/sc") {
    a.launcher = true;
    args.erase(args.begin());
  }

  std::vector<std::pair<const OptionRow*, const OptionFlag*>> tableFlags;
  std::vector<option> longOptions;
  std::string shortOptions = ":";  // ':' reports a missing argument apart
  const auto add = [&](char shortName, const char* longName, const char* argument,
                       bool optionalArgument, int value) {
    const int has = !argument          ? no_argument
                    : optionalArgument ? optional_argument
                                       : required_argument;
    longOptions.push_back({longName, has, nullptr, value});
    if (shortName) {
      shortOptions += shortName;
      if (has != no_argument) shortOptions += has == optional_argument ? "::" : ":";
    }
  };
  for (const OptionRow& row : OptionTable())
    for (const OptionFlag& flag : row.flags) {
      if (!flag.longName) continue;
      add(flag.shortName, flag.longName, flag.argument, flag.optionalArgument,
          kTableFlag + static_cast<int>(tableFlags.size()));
      tableFlags.emplace_back(&row, &flag);
    }
  for (const RunFlag& flag : kRunFlags)
    add(flag.shortName, flag.longName, flag.argument, false, flag.id);
  longOptions.push_back({nullptr, 0, nullptr, 0});

  const auto valueOf = [&](int c) -> int {
    // A short flag comes back as its letter: find the flag it stands for.
    if (c >= kTableFlag || c < 32) return c;
    for (std::size_t i = 0; i < tableFlags.size(); ++i)
      if (tableFlags[i].second->shortName == c) return kTableFlag + static_cast<int>(i);
    for (const RunFlag& flag : kRunFlags)
      if (flag.shortName == c) return flag.id;
    return c;
  };

  std::vector<char*> argv;
  std::string program = "brevine";
  argv.push_back(program.data());
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // getopt keeps its place in the C library: one parse at a time.
  static std::mutex parsing;
  const std::lock_guard lock(parsing);
  optind = 0;  // GNU: start afresh
  opterr = 0;
  Options scratch;
  const auto fail = [&](std::string option, std::string reason) {
    a.errorOption = std::move(option);
    a.errorReason = std::move(reason);
  };
  const auto typed = [&](int value) -> std::string {
    // The option as it was written, up to any "=value".
    const char* arg =
        optind > 0 && optind <= static_cast<int>(args.size()) + 1 ? argv[optind - 1] : "";
    std::string name(arg);
    if (name.rfind("--", 0) == 0) return name.substr(0, name.find('='));
    if (value > 32 && value < 127) return std::string("-") + static_cast<char>(value);
    return name;
  };
  for (;;) {
    int index = -1;
    const int c = getopt_long(static_cast<int>(args.size()) + 1, argv.data(), shortOptions.c_str(),
                              longOptions.data(), &index);
    if (c == -1) break;
    if (c == '?') {
      fail(typed(optopt),
           optopt && !(optopt > 32 && optopt < 127) ? "takes no value" : "unknown option");
      return a;
    }
    if (c == ':') {
      fail(typed(optopt), "needs a value");
      return a;
    }
    const int v = valueOf(c);
    const std::optional<std::string> argument =
        optarg ? std::optional<std::string>(optarg) : std::nullopt;
    if (v >= kTableFlag) {
      const auto [row, flag] = tableFlags[static_cast<std::size_t>(v - kTableFlag)];
      std::optional<std::string> reason = ApplyFlag(*row, *flag, argument, scratch);
      // A name that leads out of the source's folder is refused, not replaced as a
      // stored one is: the person typing it is there to read why.
      if (const auto* text = std::get_if<std::string Options::*>(&row->field);
          !reason && argument && text &&
          (*text == &Options::addedText || *text == &Options::folderName))
        reason = LeadsOutside(*argument);
      if (reason) {
        fail(index >= 0 ? std::string("--") + flag->longName : std::string("-") + flag->shortName,
             *reason);
        return a;
      }
      a.flags.push_back({row, flag, argument});
      continue;
    }
    switch (v) {
      case kHelpSwitch:
        a.help = true;
        break;
      case kVersionSwitch:
        a.version = true;
        break;
      case kVerbose:
        a.verbose = true;
        break;
      case kJobs:
        // Held to the range the help gives, not capped as the variable is.
        a.jobs = ParseJobCount(*argument);
        if (const auto given = platform::ParseUnsigned(*argument); !given || *given > 1024)
          a.jobs.reset();
        if (!a.jobs) {
          fail(index >= 0 ? "--jobs" : "-j", "'" + *argument + "' is not a count of 1..1024");
          return a;
        }
        break;
      case kSettings:
        a.settingsFile = *argument;
        break;
      case kFilesFrom:
        a.filesFrom = *argument;
        break;
      case kNull:
        a.null = true;
        break;
      case kPreset:
        a.preset = *argument;
        a.presetFlag = index >= 0 ? "--preset" : "-p";
        break;
      case kListPresets:
        a.listPresets = true;
        break;
      case kDesktop:
        a.desktop = true;
        break;
      case kWindow:
        a.window = true;
        break;
      default:
        fail(typed(c), "unknown option");
        return a;
    }
  }
  for (int i = optind; i <= static_cast<int>(args.size()); ++i) a.paths.emplace_back(argv[i]);
  return a;
}

Options ApplyFlags(const Arguments& arguments, Options options) {
  for (const FlagUse& use : arguments.flags) ApplyFlag(*use.row, *use.flag, use.argument, options);
  return options;
}

bool LeavesOptionsToWindow(const Arguments& a) {
  if (a.preset) return false;
  for (const FlagUse& use : a.flags)
    if (use.row != OptionOf(&Options::folders)) return false;
  return true;
}

std::vector<std::string> FilesForWindow(const Arguments& a, const std::string& programPath,
                                        const std::string& cwd) {
  std::string settingsPath = SettingsFilePath(programPath);
  if (a.settingsFile) settingsPath = platform::ArgumentPath(*a.settingsFile, cwd);
  const FixedSettings settings(ApplyFlags(a, ReadSettingsFile(settingsPath)));
  std::vector<std::string> absolute;
  for (const std::string& arg : a.paths) absolute.push_back(platform::AbsolutePath(arg, cwd));
  return ExpandFolderPaths(absolute, settings);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& out, std::ostream& err, const std::string& cwd, bool progress,
                   bool workers) {
  const Arguments a = ParseArguments(args);
  const auto usageError = [&](const std::string& option, const std::string& reason) {
    err << "brevine: " << option << ": " << reason << "\n"
        << "Try 'brevine --help' for more information.\n";
    err.flush();
    return 2;
  };
  if (a.errorOption) return usageError(*a.errorOption, a.errorReason);
  if (a.help || a.version) {
    if (a.help)
      out << UsageText();
    else
      out << "Brevine " << kVersion << "\n";
    out.flush();
    return 0;
  }
  std::string settingsPath = SettingsFilePath(programPath);
  if (a.settingsFile) {
    settingsPath = platform::ArgumentPath(*a.settingsFile, cwd);
    if (!platform::FileExists(settingsPath))
      return usageError("--settings", "cannot read " + *a.settingsFile);
  }
  if (a.listPresets) {
    for (const Preset& p : ReadPresets(settingsPath)) out << p.name << "\n";
    out.flush();
    return 0;
  }
  std::vector<std::string> warnings;
  std::string refused;
  Options options = ReadSettingsFile(settingsPath, &warnings, &refused);
  if (a.settingsFile && !refused.empty())
    return usageError("--settings", "cannot read " + *a.settingsFile + ": " + refused);
  if (a.preset) {
    const std::vector<Preset> presets = ReadPresets(settingsPath);
    const Preset* preset = FindPreset(presets, *a.preset);
    if (!preset) {
      std::string names;
      for (const Preset& p : presets) names += (names.empty() ? "" : ", ") + p.name;
      return usageError(a.presetFlag, "no preset '" + *a.preset + "' (there are " + names + ")");
    }
    // Over the stored options, under the flags.
    options = ApplyPreset(*preset, std::move(options));
  }
  options = ApplyFlags(a, std::move(options));
  for (const std::string& warning : warnings)
    err << "brevine: " << settingsPath << ": warning: " << warning << "\n";
  if (!options.outputDir.empty())
    options.outputDir = platform::ArgumentPath(options.outputDir, cwd);
  std::string listed;
  if (a.filesFrom) {
    // Read whole before anything is written: a list may name the results' own folder.
    if (*a.filesFrom == "-") {
      listed.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
      std::ifstream in(platform::ArgumentPath(*a.filesFrom, cwd), std::ios::binary);
      if (!in) return usageError("--files-from", "cannot read " + *a.filesFrom);
      listed.assign(std::istreambuf_iterator<char>(in), {});
    }
  }
  FixedSettings settings(std::move(options));
  const platform::SystemClock clock;
  // Every path is known, and every source noted, before the first result is written: no
  // result may take the place of a source that comes later in the run.
  PathList list;
  RunPlaces sources;
  std::size_t decodable = 0;  // sources a decoder reads, and the libraries they need
  unsigned libraries = 0;
  const PathSink collect = [&](BatchPath&& p) {
    if (!p.unreadableFolder) {
      sources.Add(p.path);
      if (HasDecoderFor(p.path)) {
        ++decodable;
        libraries |= DecoderLibrariesFor(p.path);
      }
    }
    list.Append(p);
  };
  const auto name = [&](const std::string& arg) {
    ExpandFolder({platform::ArgumentPath(arg, cwd), arg}, settings, collect);
  };
  for (const std::string& arg : a.paths) name(arg);
  ForEachListedName(listed, a.null, name);
  std::string().swap(listed);
  ListFeed feed(list, Snapshot(settings), settings);
  const std::size_t count = list.Files();

  ProgressLine line(err, progress, count);
  int status = 0;
  std::optional<DecodeWorkerPool> pool;
  if (workers) pool.emplace(DecodeWorkerPool::Settings{});
  const auto warnOnce = [&] {
    if (!pool) return;
    if (const std::string warning = pool->TakeWarning(); !warning.empty()) {
      line.Clear();
      err << "brevine: " << warning << "\n";
      err.flush();
    }
  };
  RunSummary summary;
  const auto print = [&](const std::string& shown, FileResult result, const std::string& detail) {
    line.Clear();
    err << "brevine: " << shown << ": " << FailureText(result, detail) << "\n";
    err.flush();
    status = 1;
    if (summary.failed++ == 0)
      summary.firstFailure = platform::NamePart(shown) + ": " + FailureText(result, detail);
  };
  // Folders that could not be listed are reported at their place among the files.
  std::size_t reported = 0;
  const auto reportFoldersBefore = [&](std::size_t index) {
    const auto& folders = list.UnreadableFolders();
    for (; reported < folders.size() && folders[reported].first <= index; ++reported)
      print(folders[reported].second, FileResult::kCannotRead, {});
  };
  if (count > 0) line.Show(0, list.FileAt(0).shown);
  // Each line goes out as soon as its file is committed, so a long batch reports as it goes.
  const CommitReport report = [&](const CommittedFile& c) {
    warnOnce();
    reportFoldersBefore(c.index);
    const BatchPath file = list.FileAt(c.index);
    for (const std::string& warning : c.warnings) {
      line.Clear();
      err << "brevine: " << file.shown << ": warning: " << warning << "\n";
      err.flush();
    }
    if (IsFailure(c.result)) {
      print(file.shown, c.result, c.detail);
    } else if (c.result == FileResult::kKept) {
      line.Clear();
      err << "brevine: " << file.shown << ": " << Describe(c.result) << "\n";
      err.flush();
    }
    if (c.result == FileResult::kSkipped) ++summary.skipped;
    if (WroteResult(c.result)) {
      ++summary.written;
      summary.bytesAfter += c.bytes;
      std::error_code ignored;
      const auto size = std::filesystem::file_size(file.path, ignored);
      if (!ignored) summary.bytesBefore += size;
      if (a.desktop && summary.results.size() < kShownResults)
        summary.results.push_back(c.writtenPath);
      if (c.replaced) {
        // Last wins, as in a one-file-at-a-time run, but not silently: the earlier result
        // is gone. Not a failure, so the exit status stays.
        line.Clear();
        err << "brevine: " << file.shown << ": replaces the result of "
            << list.FileAt(*c.replaced).shown << "\n";
        err.flush();
      }
      if (a.verbose) {
        line.Clear();
        out << file.shown << " -> " << c.writtenPath << ": " << c.width << "x" << c.height << ", "
            << c.bytes << " bytes, quality " << c.quality << "\n";
        out.flush();
      }
    }
    if (c.index + 1 < count) line.Show(c.index + 1, list.FileAt(c.index + 1).shown);
  };
  const int jobs = a.jobs ? *a.jobs : DefaultJobs();
  if (pool && SandboxModeOf(settings.Current().sandbox) != SandboxMode::kOff) {
    // One worker per job that will have a source to read, each opening what the batch's
    // sources need, started at once so that their starts overlap.
    pool->Prestart(static_cast<int>(std::min<std::size_t>(std::max(jobs, 1), decodable)),
                   libraries);
  }
  BatchHooks hooks;
  hooks.report = report;
  hooks.sources = &sources;
  hooks.workers = pool ? &*pool : nullptr;
  RunFeedOf(feed, count, clock, jobs, hooks);
  warnOnce();
  line.Clear();
  reportFoldersBefore(count);
  if (progress && count > 1) err << "brevine: " << SummaryLine(summary) << "\n";
  err.flush();
  if (a.desktop) {
    // Without a notification service the run ends as any other.
    platform::NotifyDesktop({SummaryTitle(summary), SummaryBody(summary),
                             summary.written > 0 ? "Open folder" : "", summary.results});
  }
  return status;
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd) {
  return RunCommandLine(args, programPath, std::cout, err, cwd);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath) {
  return RunCommandLine(args, programPath, std::cout, std::cerr, {}, ::isatty(2) == 1, true);
}

}  // namespace brevine
