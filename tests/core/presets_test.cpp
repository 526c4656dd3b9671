#include "presets.h"

#include <gtest/gtest.h>

#include <sstream>

#include "command_line.h"
#include "fixed_clock.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

using test::ReadFile;
using test::Text;

std::string PresetText(const std::vector<Preset>& presets) { return FormatPresets(presets); }

Preset Named(const std::string& name, const std::string& lines) {
  const std::vector<Preset> p = ParsePresets("[preset " + name + "]\n" + lines);
  EXPECT_EQ(p.size(), 1u) << name;
  return p.empty() ? Preset{} : p[0];
}

TEST(Presets, ShippedValues) {
  const std::vector<Preset> shipped = ShippedPresets();
  ASSERT_EQ(shipped.size(), 3u);
  EXPECT_EQ(PresetText(shipped),
            "\n[preset Mail]\nIndex=0\njpeg=1\nparcent=85\nkeepinfo=1\nformat=jpeg\n"
            "\n[preset Web]\nIndex=7\nx=1920\ny=1920\nlap=1\njpeg=1\nformat=webp\nwebpquality=80\n"
            "\n[preset Small]\nIndex=2\njpeg=1\nformat=avif\navifquality=60\n");
  const Options web = ApplyPreset(shipped[1], Options{});
  EXPECT_EQ(web.FitBox(), (Box{1920, 1920}));
  EXPECT_EQ(web.format, "webp");
  EXPECT_EQ(web.webpQuality, 80);
  EXPECT_EQ(web.quality, Options{}.quality);  // JPEG's own quality stays
  // What a preset does not set stays as it was.
  Options mine;
  mine.folderName = "small";
  mine.sharpen = false;
  const Options small = ApplyPreset(shipped[2], mine);
  EXPECT_EQ(small.FitBox(), (Box{800, 800}));
  EXPECT_EQ(small.avifQuality, 60);
  EXPECT_EQ(small.folderName, "small");
  EXPECT_FALSE(small.sharpen);
}

TEST(Presets, FileRoundTripKeepsEverythingElse) {
  Options o;
  o.quality = 71;
  o.addedText = "_x";
  const std::string settings = FormatSettings(o);
  // No preset yet: the shipped ones, and the file is not touched by reading.
  EXPECT_TRUE(ParsePresets(settings).empty());

  std::vector<Preset> presets = ShippedPresets();
  presets.push_back(PresetOf("我的 Mail+", o));
  const std::string stored = ReplacePresets(settings, presets);
  EXPECT_EQ(stored.substr(0, settings.size()), settings);
  EXPECT_EQ(stored.substr(settings.size()), PresetText(presets));
  EXPECT_EQ(ParsePresets(stored), presets);
  EXPECT_EQ(ParseSettings(stored), o);
  // Writing the same presets again changes no byte; writing fewer gives back the rest.
  EXPECT_EQ(ReplacePresets(stored, presets), stored);
  EXPECT_EQ(ReplacePresets(ReplacePresets(stored, {}), presets), stored);
  // Deleting every preset leaves a mark, so that the shipped ones do not come back.
  const std::string none = ReplacePresets(stored, {});
  EXPECT_EQ(none, settings + "\n[presets]\n");
  EXPECT_TRUE(HoldsPresets(none));
  EXPECT_TRUE(ParsePresets(none).empty());
  EXPECT_FALSE(HoldsPresets(settings));
  // The window's preset holds what the window offers, not its language.
  const Preset& mine = presets.back();
  EXPECT_TRUE(mine.Sets(*FindOption("parcent")));
  EXPECT_TRUE(mine.Sets(*FindOption("format")));
  EXPECT_TRUE(mine.Sets(*FindOption("jxlquality")));  // every format's own quality
  EXPECT_FALSE(mine.Sets(*FindOption("lang")));
  EXPECT_FALSE(mine.Sets(*FindOption("outdir")));
  EXPECT_EQ(ApplyPreset(mine, Options{}).quality, 71);

  // Lines of a hand-written file stay where they are; its presets move to the end.
  const std::string hand =
      "; mine\n[pixel]\nIndex=3\n\n[preset Old]\nparcent=50\n\n[option]\nhtml=1\n[extra]\nk=v";
  EXPECT_EQ(ReplacePresets(hand, presets),
            "; mine\n[pixel]\nIndex=3\n\n[option]\nhtml=1\n[extra]\nk=v\n" + PresetText(presets));
  EXPECT_EQ(ReplacePresets("", presets).substr(0, 14), "[preset Mail]\n");
}

TEST(Presets, ReadingForgivesAsTheSettingsDo) {
  const std::vector<Preset> p = ParsePresets(
      "[PRESET  Big ]\nPARCENT = 250\nnonsense=1\nIndex=x\nparcent=10\n"
      "[preset big]\nparcent=5\n"
      "[preset]\nparcent=5\n[preset a[b]\nhtml=1\n[preset ok]\n; note\nhtml=1\n");
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].name, "Big");
  // A key through the row's own rules; the first of a key and of a name counts.
  EXPECT_EQ(p[0].Lines(), "Index=0\nparcent=100\n");
  EXPECT_EQ(p[1].name, "ok");
  EXPECT_EQ(FindPreset(p, "BIG"), &p[0]);
  EXPECT_EQ(FindPreset(p, "none"), nullptr);

  // Results stay in or below the source's folder whatever a preset says.
  const std::vector<Preset> out =
      ParsePresets("[preset Out]\nfolder=../x\nAddName=/tmp/s-\nparcent=5\nfolder=ok\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].Lines(), "parcent=5\nfolder=ok\n");

  for (const char* bad : {"", " a", "a ", "a]", "[a", "a\nb", "a\tb"})
    EXPECT_TRUE(PresetNameProblem(bad).has_value()) << bad;
  EXPECT_TRUE(PresetNameProblem(std::string(65, 'a')).has_value());
  for (const char* good : {"Mail", "Web 2", "小图", "a=b;c"})
    EXPECT_FALSE(PresetNameProblem(good).has_value()) << good;
}

TEST(Presets, WritingThemKeepsTheOptionsAndTheWindowKeepsThem) {
  test::TempFolder dir;
  const std::string path = dir / "cfg/brevine.ini";
  // A file that has none yet: the shipped presets, written when first stored.
  EXPECT_EQ(ReadPresets(path), ShippedPresets());
  const std::vector<Preset> one = {Named("Q", "parcent=33\n")};
  ASSERT_TRUE(WritePresets(path, one));
  EXPECT_EQ(Text(ReadFile(path)), "[preset Q]\nparcent=33\n");

  Options o;
  o.html = true;
  WriteSettingsFile(path, o);  // the window's close
  EXPECT_EQ(Text(ReadFile(path)), FormatSettings(o) + PresetText(one));
  ASSERT_TRUE(WritePresets(path, ShippedPresets()));
  EXPECT_EQ(Text(ReadFile(path)), FormatSettings(o) + PresetText(ShippedPresets()));
  EXPECT_EQ(ReadSettingsFile(path), o);

  // The close of a window that found no presets stores the shipped ones with the options.
  const std::string fresh = dir / "fresh.ini";
  WriteSettingsFile(fresh, o);
  EXPECT_EQ(Text(ReadFile(fresh)), FormatSettings(o) + PresetText(ShippedPresets()));
}

class PresetRuns : public ::testing::Test {
 protected:
  PresetRuns() {
    test::WriteBmp(dir_ / "a.bmp", test::MakePhotoLike(60, 40, 1));
    Options stored;
    stored.quality = 30;
    stored.grayscale = true;
    stored.subFolder = false;
    const std::string ini =
        FormatSettings(stored) + "\n[preset Half]\nIndex=7\nx=30\ny=30\nparcent=60\n";
    test::WriteFile(dir_ / "brevine.ini", {ini.begin(), ini.end()});
  }
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return RunCommandLine(args, dir_ / "brevine", out_, err_, dir_.Path());
  }

  test::TempFolder dir_;
  std::ostringstream out_, err_;
};

TEST_F(PresetRuns, SettingsThenPresetThenFlags) {
  // The preset's box and quality over the stored ones; the stored gray stays.
  EXPECT_EQ(Run({"-v", "-p", "half", "a.bmp"}), 0);
  EXPECT_EQ(out_.str(), "a.bmp -> " + (dir_ / "s-a.jpg") + ": 30x20, " +
                            std::to_string(std::filesystem::file_size(dir_ / "s-a.jpg")) +
                            " bytes, quality 60\n");
  Options expected;
  expected.quality = 60;
  expected.grayscale = true;
  expected.subFolder = false;
  expected.boxPreset = 7;
  expected.boxWidth = 30;
  expected.boxHeight = 30;
  test::TempFolder other;
  test::WriteBmp(other / "a.bmp", test::MakePhotoLike(60, 40, 1));
  FixedSettings fixed(expected);
  test::FixedClock clock;
  RunPaths({other / "a.bmp"}, fixed, clock);
  EXPECT_EQ(ReadFile(other / "s-a.jpg"), ReadFile(dir_ / "s-a.jpg"));

  // Flags win over the preset wherever they stand.
  EXPECT_EQ(Run({"-v", "-q", "75", "--preset=Half", "a.bmp"}), 0);
  EXPECT_NE(out_.str().find("30x20, "), std::string::npos);
  EXPECT_NE(out_.str().find("quality 75\n"), std::string::npos);
  // The file's own presets stand in for the shipped ones.
  EXPECT_EQ(Run({"--list-presets"}), 0);
  EXPECT_EQ(out_.str(), "Half\n");
}

TEST_F(PresetRuns, AnUnknownPresetIsAUsageError) {
  const auto before = test::Listing(dir_.Path());
  const std::string ini = Text(ReadFile(dir_ / "brevine.ini"));
  EXPECT_EQ(Run({"-p", "Mail", "a.bmp"}), 2);
  EXPECT_EQ(err_.str(),
            "brevine: -p: no preset 'Mail' (there are Half)\n"
            "Try 'brevine --help' for more information.\n");
  EXPECT_EQ(Run({"a.bmp", "--preset=nope"}), 2);
  EXPECT_EQ(err_.str().substr(0, 36), "brevine: --preset: no preset 'nope' ");
  EXPECT_EQ(Run({"--preset"}), 2);
  EXPECT_EQ(test::Listing(dir_.Path()), before);
  EXPECT_EQ(Text(ReadFile(dir_ / "brevine.ini")), ini);

  // Without presets of its own, the file offers the shipped ones.
  test::WriteFile(dir_ / "plain.ini", {'\n'});
  EXPECT_EQ(Run({"--settings=plain.ini", "--list-presets"}), 0);
  EXPECT_EQ(out_.str(), "Mail\nWeb\nSmall\n");
  EXPECT_EQ(Run({"--settings=plain.ini", "-v", "-p", "mail", "a.bmp"}), 0);
  EXPECT_NE(out_.str().find("Resized/a.jpg: 60x40, "), std::string::npos);
  EXPECT_NE(out_.str().find("quality 85\n"), std::string::npos);
}

}  // namespace
}  // namespace brevine
