#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>

#include "settings_file.h"
#include "test_images.h"

namespace brevine {
namespace {

TEST(SettingsParse, MissingFileGivesFirstStartDefaults) {
  const Options o = ReadSettingsFile("/nonexistent/folder/brevine.ini");
  EXPECT_EQ(o.boxPreset, 0);
  EXPECT_EQ(o.boxWidth, 150);
  EXPECT_EQ(o.boxHeight, 150);
  EXPECT_TRUE(o.sharpen);
  EXPECT_EQ(o.sharpenStrength, 80);
  EXPECT_FALSE(o.saturation || o.grayscale || o.progressive || o.html);
  EXPECT_TRUE(o.fixedQuality);
  EXPECT_EQ(o.quality, 92);
  EXPECT_EQ(o.targetSize, 50);
  EXPECT_TRUE(o.subFolder);
  EXPECT_EQ(o.textPosition, 0);
  EXPECT_EQ(o.addedText, "s-");
  EXPECT_EQ(o.folderName, "Resized");
  EXPECT_TRUE(o.autoRotate);
  EXPECT_EQ(ParseSettings(""), Options{});
  EXPECT_EQ(ParseSettings("garbage without sections\n[pixel\n=\n"), Options{});
}

TEST(SettingsParse, ClampsAndNormalisesLikeTheControls) {
  const Options o = ParseSettings(
      "[pixel]\nIndex=12\nx=abc\ny=007\n"
      "[option]\nlapnum=500\nparcent=200\nFileSize=-4\n"
      "[changed]\nAfterBefore=3\n");
  EXPECT_EQ(o.boxPreset, 7);
  EXPECT_EQ(o.boxWidth, 300);
  EXPECT_EQ(o.boxHeight, 7);
  EXPECT_EQ(o.sharpenStrength, 150);
  EXPECT_EQ(o.quality, 100);
  EXPECT_EQ(o.targetSize, 1);
  EXPECT_EQ(o.textPosition, -1);

  const Options low = ParseSettings(
      "[pixel]\nIndex=-5\nx=0\ny=-20\n[option]\nlapnum=-1\nparcent=0\nFileSize=5000\n"
      "[changed]\nAfterBefore=-1\n");
  EXPECT_EQ(low.boxPreset, -1);
  EXPECT_EQ(low.boxWidth, 0);  // the box fields have no bounds
  EXPECT_EQ(low.boxHeight, -20);
  EXPECT_EQ(low.sharpenStrength, 0);
  EXPECT_EQ(low.quality, 1);
  EXPECT_EQ(low.targetSize, 5000);
  EXPECT_EQ(low.textPosition, -1);

  // Empty edit texts take the handlers' fallbacks, not the first-start defaults.
  const Options empty = ParseSettings("[pixel]\nx=\n[option]\nparcent=\nFileSize=\n");
  EXPECT_EQ(empty.boxWidth, 300);
  EXPECT_EQ(empty.quality, 90);
  EXPECT_EQ(empty.targetSize, 50);
}

TEST(SettingsParse, NonIntegerKeysReadAsTheirDefaults) {
  const Options o = ParseSettings(
      "[pixel]\nIndex=three\n[option]\nlap=yes\nlapnum=1e2\nchroma=true\njpeg=x\n"
      "[changed]\nsave=\nAfterBefore=1.0\n");
  EXPECT_EQ(o.boxPreset, 0);
  EXPECT_TRUE(o.sharpen);
  EXPECT_EQ(o.sharpenStrength, 80);
  EXPECT_FALSE(o.saturation);
  EXPECT_TRUE(o.fixedQuality);
  EXPECT_TRUE(o.subFolder);
  EXPECT_EQ(o.textPosition, 0);
  // Any integer other than 0 is true.
  const Options t = ParseSettings("[option]\nchroma=-7\nhtml=2\nlap=0\nautorotate=0\nkeepicc=0\n");
  EXPECT_TRUE(t.saturation);
  EXPECT_TRUE(t.html);
  EXPECT_FALSE(t.sharpen);
  EXPECT_FALSE(t.autoRotate);
  EXPECT_FALSE(t.keepIcc);
  EXPECT_TRUE(ParseSettings("[option]\nkeepicc=x\n").keepIcc);  // not a number: the default
  EXPECT_TRUE(ParseSettings("[changed]\nkeepicc=0\n").keepIcc);
}

TEST(SettingsParse, RadioPairsAndLookUp) {
  const Options o = ParseSettings("[OPTION]\nJPEG=0\n[changed]\nsave=0\nsave=1\n");
  EXPECT_FALSE(o.fixedQuality);  // target-size mode
  EXPECT_FALSE(o.subFolder);     // first occurrence wins: add-text mode
  // Keys in the wrong section do not count.
  EXPECT_TRUE(ParseSettings("[pixel]\njpeg=0\n").fixedQuality);
}

TEST(SettingsFormat, KeyOrderAndRoundTrip) {
  Options o;
  o.boxPreset = -1;
  o.boxWidth = 640;
  o.sharpen = false;
  o.sharpenStrength = 0;
  o.html = true;
  o.fixedQuality = false;
  o.targetSize = 120;
  o.subFolder = false;
  o.textPosition = 1;
  o.addedText = "_small";
  o.folderName = "缩小";
  o.autoRotate = false;
  o.keepIcc = false;
  o.folders = true;
  o.keepInfo = true;
  o.format = "avif";
  o.keepDate = true;
  o.lang = "pt_BR";
  o.sandbox = "require";
  const std::string text = FormatSettings(o);
  EXPECT_EQ(text,
            "[pixel]\nIndex=-1\nx=640\ny=150\n\n"
            "[option]\nlap=0\nlapnum=0\nchroma=0\nmono=0\nprogressive=0\nhtml=1\njpeg=0\n"
            "parcent=92\nFileSize=120\nautorotate=0\nkeepicc=0\nfolders=1\nkeepinfo=1\nformat="
            "avif\nraw=preview\nkeepdate="
            "1\nlang=pt_BR\nskipexisting=0\nonlysmaller=0\nsandbox=require\n\n"
            "[changed]\nsave=0\nAfterBefore=1\nAddName=_small\nfolder=缩小\noutdir=\n");
  EXPECT_EQ(ParseSettings(text), o);
  EXPECT_EQ(ParseSettings(FormatSettings(Options{})), Options{});
}

// Options in which every field differs from its default: a field missing from the option
// table would come back as its default.
Options EveryFieldChanged() {
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 640;
  o.boxHeight = 480;
  o.sharpen = false;
  o.sharpenStrength = 33;
  o.saturation = true;
  o.grayscale = true;
  o.progressive = true;
  o.html = true;
  o.fixedQuality = false;
  o.quality = 71;
  o.targetSize = 120;
  o.subFolder = false;
  o.textPosition = 1;
  o.addedText = "_small";
  o.folderName = "out";
  o.autoRotate = false;
  o.keepIcc = false;
  o.folders = true;
  o.keepInfo = true;
  o.format = "webp";
  o.webpQuality = 55;
  o.avifQuality = 44;
  o.jxlQuality = 33;
  o.keepDate = true;
  o.lang = "zh_TW";
  o.skipExisting = true;
  o.onlySmaller = true;
  o.sandbox = "off";
  return o;
}

// WebP, AVIF and JPEG XL keep their own qualities right after the format. At their defaults they
// are not written, so the file of a version without them reads and writes back byte for byte.
TEST(SettingsFormat, EachFormatKeepsItsQuality) {
  Options o;
  o.format = "avif";
  const std::string earlier = FormatSettings(o);
  EXPECT_EQ(earlier.find("quality="), std::string::npos);
  const Options read = ParseSettings(earlier);
  EXPECT_EQ(read.webpQuality, 80);
  EXPECT_EQ(read.avifQuality, 60);
  EXPECT_EQ(read.jxlQuality, 75);
  EXPECT_EQ(read.FormatQuality(), 60);
  EXPECT_EQ(FormatSettings(read), earlier);

  o.webpQuality = 70;
  o.quality = 85;
  const std::string text = FormatSettings(o);
  EXPECT_NE(text.find("\nparcent=85\n"), std::string::npos);
  EXPECT_NE(text.find("\nformat=avif\nwebpquality=70\nraw="), std::string::npos);
  EXPECT_EQ(ParseSettings(text), o);
  // JPEG XL's follows AVIF's, before raw.
  o.avifQuality = 50;
  o.jxlQuality = 90;
  const std::string all = FormatSettings(o);
  EXPECT_NE(all.find("\nformat=avif\nwebpquality=70\navifquality=50\njxlquality=90\nraw="),
            std::string::npos)
      << all;
  EXPECT_EQ(ParseSettings(all), o);
  o.format = "jxl";
  EXPECT_EQ(o.FormatQuality(), 90);
  // Each read under the quality rules of the window's field.
  const Options odd = ParseSettings("[option]\nwebpquality=250\navifquality=x\njxlquality=0\n");
  EXPECT_EQ(odd.webpQuality, 100);
  EXPECT_EQ(odd.avifQuality, 60);
  EXPECT_EQ(odd.jxlQuality, 1);
  for (const auto& [format, field] :
       {std::pair{"jpeg", &Options::quality}, std::pair{"webp", &Options::webpQuality},
        std::pair{"avif", &Options::avifQuality}, std::pair{"jxl", &Options::jxlQuality},
        std::pair{"gif", &Options::quality}})
    EXPECT_EQ(Options::QualityField(format), field) << format;
}

TEST(OptionTable, CoversEveryFieldOnceForFileAndSnapshot) {
  const Options changed = EveryFieldChanged();
  EXPECT_EQ(ParseSettings(FormatSettings(changed)), changed);
  EXPECT_EQ(Snapshot(FixedSettings(changed)), changed);
  EXPECT_EQ(Snapshot(FixedSettings()), Options{});

  std::set<std::pair<std::string, std::string>> keys;
  std::set<std::string> sectionsDone;
  std::string section;
  for (const OptionRow& k : OptionTable()) {
    EXPECT_TRUE(keys.insert({k.section, k.key}).second) << k.key << " twice";
    // One block per section: a section never comes back after another one.
    if (section != k.section) {
      EXPECT_TRUE(sectionsDone.insert(k.section).second) << k.section << " split";
      section = k.section;
    }
  }
}

// Stored texts come back whole: long multi-byte names, semicolons and "=" inside a value,
// CRLF line ends from other editors.
TEST(SettingsFormat, LongAndPunctuatedTextsSurvive) {
  Options o;
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "缩";
  o.folderName = longName;
  o.addedText = "a ;b=c #d";
  EXPECT_EQ(ParseSettings(FormatSettings(o)), o);
  const Options crlf = ParseSettings("[changed]\r\nfolder = out dir \r\nAfterBefore=1\r\n");
  EXPECT_EQ(crlf.folderName, "out dir");
  EXPECT_EQ(crlf.textPosition, 1);
}

TEST(SettingsFormat, LineBreaksCannotInjectKeys) {
  Options o;
  o.addedText = "a\nsave=0";
  const Options back = ParseSettings(FormatSettings(o));
  EXPECT_TRUE(back.subFolder);
  EXPECT_EQ(back.addedText, "asave=0");
}

TEST(SettingsFile, WriteThenReadAndFolderCreation) {
  test::TempFolder dir;
  const std::string path = dir / "deeper/still/brevine.ini";
  Options o;
  o.quality = 75;
  WriteSettingsFile(path, o);
  EXPECT_EQ(ReadSettingsFile(path), o);
  // A write that cannot happen is silent.
  WriteSettingsFile("/proc/brevine-cannot-write.ini", o);
}

TEST(SettingsFile, PathBesideProgramOrInConfigFolder) {
  test::TempFolder dir;
  EXPECT_EQ(SettingsFilePath(dir / "brevine"), dir / "brevine.ini");
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(SettingsFilePath("/nonexistent-folder/brevine"), dir / "brevine/brevine.ini");
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

// An installed copy keeps its options with the user even where its folder is writable (root)
// or an old file lies beside it; a copy elsewhere keeps today's place.
TEST(SettingsFile, InstalledProgramUsesTheConfigFolderOnly) {
  test::TempFolder dir;
  std::filesystem::create_directories(dir.Path() + "/usr/bin");
  std::filesystem::create_directories(dir.Path() + "/usr/share/brevine/help");
  std::filesystem::create_directories(dir.Path() + "/portable");
  const std::string installed = dir / "usr/bin/brevine";
  const std::string portable = dir / "portable/brevine";
  std::ofstream(installed + ".ini") << "[option]\n";
  EXPECT_TRUE(IsInstalledProgram(installed));
  EXPECT_FALSE(IsInstalledProgram(portable));

  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  EXPECT_EQ(SettingsFilePath(installed), dir / "config/brevine/brevine.ini");
  EXPECT_EQ(SettingsFilePath(portable), portable + ".ini");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", (dir / "home").c_str(), 1);
  EXPECT_EQ(SettingsFilePath(installed), dir / "home/.config/brevine/brevine.ini");
  // With no home at all there is nowhere to keep them: defaults, and nothing written.
  unsetenv("HOME");
  EXPECT_EQ(SettingsFilePath(installed), "");
  EXPECT_EQ(ReadSettingsFile(""), Options{});
  WriteSettingsFile("", Options{});
  EXPECT_EQ(SettingsFilePath(portable), portable + ".ini");

  if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

TEST(EditRules, IntegerSyntaxAndHandlers) {
  EXPECT_EQ(ParseInteger("  -12"), -12);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", " ", "-", "12 ", "1x", "2147483648", "99999999999999999999", "0x10"})
    EXPECT_FALSE(ParseInteger(bad).has_value()) << bad;
  EXPECT_EQ(NormaliseQualityText(""), "90");
  EXPECT_EQ(NormaliseQualityText("0"), "1");
  EXPECT_EQ(NormaliseQualityText("250"), "100");
  EXPECT_EQ(NormaliseQualityText("abc"), "90");
  EXPECT_EQ(NormaliseQualityText("007"), "7");
  EXPECT_EQ(NormaliseTargetSizeText(""), "50");
  EXPECT_EQ(NormaliseTargetSizeText("-4"), "1");
  EXPECT_EQ(NormaliseTargetSizeText("5000"), "5000");
  EXPECT_EQ(NormaliseBoxText("abc"), "300");
  EXPECT_EQ(NormaliseBoxText("-3"), "-3");
}

}  // namespace
}  // namespace brevine
