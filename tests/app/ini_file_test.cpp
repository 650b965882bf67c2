#include "app/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/error.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class IniFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.File("test.ini"); }
  IniFile Ini() const { return IniFile(Path()); }
  void Put(const std::string& bytes) const { WriteBytes(Path(), bytes); }
  std::string Bytes() const { return ReadBytes(Path()); }
  bool Exists() const { return std::filesystem::exists(Path()); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  TempDir dir_;
};

// Mixed line ends on purpose (CR LF, LF, CR) and no line end after the last line.
const char kReadFixture[] =
    "; leading comment\r\n"
    "[S1]\r\n"
    "  Key = value  two  \n"
    "My Key=x\r"
    "A=b=c\r\n"
    "B==x\r\n"
    "K2=v ; trailing\r\n"
    "Measure=a;b;;c;\r\n"
    "=nokey\r\n"
    "Q1=\"quoted\"\r\n"
    "Q2=\" padded \"\r\n"
    "Q3=\"\"\r\n"
    "Q4=\"\"string\"\"\r\n"
    "Q5=\"a\"b\"\r\n"
    "Q6=\"unbalanced\r\n"
    "Q7='mixed\"\r\n"
    "Q8=\"\r\n"
    "Q9='single'\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "justkey\r\n"
    ";K=comment\r\n"
    "#K3=hash\r\n"
    "E=\r\n"
    "   \t \r\n"
    "\r\n"
    "; [T]\r\n"
    "Tkey=in S1\r\n"
    "  [S3] trailing\r\n"
    "X=3\n"
    "[A]b]\r\n"
    "Y=4\r\n"
    "[S1]\r\n"
    "L=only_in_second\r\n"
    "[M\xEC\xF8\x65n\xED]\r\n"
    "M=1\r\n"
    "[noclose\r\n"
    "Z=\x9A\x9D\x9E";

TEST_F(IniFileTest, ReadsValuesByTheRules) {
  Put(kReadFixture);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"s1", "KEY", "value  two"},
      {" S1 ", "\tkey ", "value  two"},
      {"S1", "My Key", "x"},
      {"S1", "My  Key", "<def>"},
      {"S1", "A", "b=c"},
      {"S1", "B", "=x"},
      {"S1", "K2", "v ; trailing"},
      {"S1", "Measure", "a;b;;c;"},
      {"S1", "", "nokey"},
      {"S1", "Q1", "quoted"},
      {"S1", "Q2", " padded "},
      {"S1", "Q3", ""},
      {"S1", "Q4", "\"string\""},
      {"S1", "Q5", "a\"b"},
      {"S1", "Q6", "\"unbalanced"},
      {"S1", "Q7", "'mixed\""},
      {"S1", "Q8", "\""},
      {"S1", "Q9", "single"},
      {"S1", "Dup", "first"},
      {"S1", "justkey", "<def>"},
      {"S1", "K", "<def>"},
      {"S1", "#K3", "hash"},
      {"S1", "E", ""},
      {"T", "Tkey", "<def>"},
      {"S1", "Tkey", "in S1"},
      {"S3", "X", "3"},
      {"A]b", "Y", "4"},
      {"S1", "L", "<def>"},
      {"Měření", "M", "1"},
      {"mĚŘENÍ", "M", "<def>"},  // only A-Z fold
      {"měření", "m", "1"},
      {"Měření", "Z", "šťž"},
      {"noclose", "Z", "<def>"},
      {"Missing", "Key", "<def>"},
  };
  IniFile ini = Ini();
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), c.expected)
        << "[" << c.section << "] " << c.key;
  }
  EXPECT_EQ(Bytes(), kReadFixture);  // reading never writes
}

TEST_F(IniFileTest, DefaultLosesTrailingBlanksOnlyAndMissingFileIsEmpty) {
  EXPECT_EQ(Ini().ReadString("S", "K", "  lead trail \t "), "  lead trail");
  EXPECT_EQ(Ini().ReadString("S", "K", ""), "");
  EXPECT_FALSE(Ini().SectionExists("S"));
  EXPECT_FALSE(Exists());
}

TEST_F(IniFileTest, LongValuesAreCutTo2047Bytes) {
  std::string exact(2047, 'a');
  std::string longer = std::string(2047, 'b') + "tail";
  Put("[S]\r\nExact=" + exact + "\r\nLong=" + longer + "\r\nQuoted=\"" + exact + "x\"\r\n");
  EXPECT_EQ(Ini().ReadString("S", "Exact", ""), exact);
  EXPECT_EQ(Ini().ReadString("S", "Long", ""), std::string(2047, 'b'));
  // The cut counts file bytes after the quotes are gone.
  EXPECT_EQ(Ini().ReadString("S", "Quoted", ""), exact);
}

TEST_F(IniFileTest, ReadIntegerFloatAndBool) {
  Put("[N]\r\nDec=12\r\nNeg=-5\r\nHex=0x1F\r\nHexUp=0X1f\r\nDollar=$1F\r\nTail=12abc\r\n"
      "Frac=1.5\r\nWord=abc\r\nEmpty=\r\nHuge=4294967295\r\nMax=2147483647\r\n"
      "Note=30 ; note\r\nComma=0,5\r\nDot=0.5\r\nExp=1,5E2\r\nZero=0\r\nTwo=2\r\n"
      "Both=1.000,5\r\nDotExp=2.5e1\r\n");
  struct IntCase {
    const char* key;
    int32_t expected;
  };
  const IntCase int_cases[] = {
      {"Dec", 12}, {"Neg", -5}, {"Hex", 31},  {"HexUp", 31},  {"Dollar", 31}, {"Tail", 7},
      {"Frac", 7}, {"Word", 7}, {"Empty", 7}, {"Missing", 7}, {"Huge", 7},    {"Max", 2147483647},
  };
  IniFile ini = Ini();
  for (const IntCase& c : int_cases) EXPECT_EQ(ini.ReadInteger("N", c.key, 7), c.expected) << c.key;

  // Files come from installations with either decimal separator, whatever this machine's.
  struct FloatCase {
    const char* key;
    double expected;
  };
  const FloatCase float_cases[] = {
      {"Note", 15}, {"Empty", 15}, {"Missing", 15}, {"Comma", 0.5}, {"Dot", 0.5},
      {"Exp", 150}, {"Word", 15},  {"Both", 15},    {"DotExp", 25},
  };
  for (const FloatCase& c : float_cases) {
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", c.key, 15), c.expected) << c.key;
  }

  EXPECT_FALSE(ini.ReadBool("N", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("N", "Two", false));
  EXPECT_TRUE(ini.ReadBool("N", "Missing", true));
  EXPECT_FALSE(ini.ReadBool("N", "Word", false));
  EXPECT_TRUE(ini.ReadBool("N", "Word", true));
}

TEST_F(IniFileTest, SectionAndValueExistence) {
  Put("[Empty]\r\n[OnlyText]\r\njustkey\r\n[Full]\r\nK=\r\n[Full]\r\nLater=1\r\n");
  IniFile ini = Ini();
  EXPECT_FALSE(ini.SectionExists("Empty"));
  EXPECT_FALSE(ini.SectionExists("OnlyText"));
  EXPECT_TRUE(ini.SectionExists("FULL"));
  EXPECT_FALSE(ini.SectionExists("Missing"));
  EXPECT_TRUE(ini.ValueExists("full", "k"));
  EXPECT_FALSE(ini.ValueExists("Full", "Later"));
  EXPECT_FALSE(ini.ValueExists("OnlyText", "justkey"));
}

// The calls of the settings writer for a configuration with two lines and one instrument.
void ReplaySettingsWriter(IniFile& ini) {
  ini.EraseSection("Param");
  ini.EraseSection("Measure");
  ini.EraseSection("Instrument");
  ini.WriteString("Application", "Name", "Korvan-A");
  ini.WriteString("Application", "Version", "1.20");
  ini.WriteString("Communication", "Baud", "9600");
  ini.WriteInteger("Communication", "Databit", 8);
  ini.WriteInteger("Communication", "Parity", 0);
  ini.WriteInteger("Communication", "Stopbit", 1);
  ini.WriteString("Communication", "Timeout", "150");
  ini.WriteString("Communication", "Delay", "10");
  ini.WriteString("Param", "JobName", "Kotelna č. 2");
  ini.WriteInteger("Param", "FileSize", 1);
  ini.WriteFloat("Param", "RecDays", 30, ',');
  ini.WriteFloat("Param", "SavePeriod1", 0.5, ',');
  ini.WriteFloat("Param", "SavePeriod2", 60, ',');
  ini.WriteFloat("Param", "SavePeriod3", 60, ',');
  ini.WriteFloat("Param", "SavePeriod4", 60, ',');
  ini.WriteInteger("Param", "Measure", 2);
  ini.WriteString("Measure", "Line01", "Elektroměr;Teplota;2;01h;R;0010h;F4;1;0;100;");
  ini.WriteString("Measure", "Line02", "A;;1;;R;;I2;1;0;0;");
  ini.WriteInteger("Param", "Instrument", 1);
  ini.WriteString("Instrument", "Line01", "01h;Elektroměr;Instrument\\elektro.csv");
}

TEST_F(IniFileTest, SettingsWriterOnANewFileGivesExactBytes) {
  IniFile ini = Ini();
  ReplaySettingsWriter(ini);
  EXPECT_EQ(Bytes(),
            "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n"
            "[Communication]\r\nBaud=9600\r\nDatabit=8\r\nParity=0\r\nStopbit=1\r\n"
            "Timeout=150\r\nDelay=10\r\n"
            "[Param]\r\nJobName=Kotelna \xE8. 2\r\nFileSize=1\r\nRecDays=30\r\n"
            "SavePeriod1=0,5\r\nSavePeriod2=60\r\nSavePeriod3=60\r\nSavePeriod4=60\r\n"
            "Measure=2\r\nInstrument=1\r\n"
            "[Measure]\r\nLine01=Elektrom\xECr;Teplota;2;01h;R;0010h;F4;1;0;100;\r\n"
            "Line02=A;;1;;R;;I2;1;0;0;\r\n"
            "[Instrument]\r\nLine01=01h;Elektrom\xECr;Instrument\\elektro.csv\r\n");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(IniFileTest, SettingsWriterOverAnExistingFileKeepsForeignContent) {
  Put("[Application]\nName=Other\nFoo=bar\n\n"
      "[Param]\nJobName=old\nOld=1\n\n"
      "[Foreign]\n; note\nA = 1\n\n"
      "[Communication]\nBaud=19200\nExtra=1\n"
      "[Measure]\nLine01=x\nLine07=y\n"
      "[Instrument]\nLine01=z\n");
  IniFile ini = Ini();
  ReplaySettingsWriter(ini);
  EXPECT_EQ(Bytes(),
            "[Application]\r\nName=Korvan-A\r\nFoo=bar\r\nVersion=1.20\r\n"
            "[Foreign]\r\n; note\r\nA=1\r\n"
            "[Communication]\r\nBaud=9600\r\nExtra=1\r\nDatabit=8\r\nParity=0\r\nStopbit=1\r\n"
            "Timeout=150\r\nDelay=10\r\n"
            "[Param]\r\nJobName=Kotelna \xE8. 2\r\nFileSize=1\r\nRecDays=30\r\n"
            "SavePeriod1=0,5\r\nSavePeriod2=60\r\nSavePeriod3=60\r\nSavePeriod4=60\r\n"
            "Measure=2\r\nInstrument=1\r\n"
            "[Measure]\r\nLine01=Elektrom\xECr;Teplota;2;01h;R;0010h;F4;1;0;100;\r\n"
            "Line02=A;;1;;R;;I2;1;0;0;\r\n"
            "[Instrument]\r\nLine01=01h;Elektrom\xECr;Instrument\\elektro.csv\r\n");
}

TEST_F(IniFileTest, ChangingWriteRewritesInNormalForm) {
  Put(";top comment\n"
      "  [ Sec ] trailing text\n"
      "\n"
      "  Key  =  spaced value  \n"
      "just a line\n"
      "   ; indented comment = x \n"
      "[noclose\n"
      "\n"
      "\n"
      "[Other]\n"
      "B=2");
  Ini().WriteString("Other", "C", "3");
  EXPECT_EQ(Bytes(),
            ";top comment\r\n"
            "[Sec]\r\n"
            "Key=spaced value\r\n"
            "just a line\r\n"
            "; indented comment=x\r\n"
            "[noclose\r\n"
            "[Other]\r\n"
            "B=2\r\n"
            "C=3\r\n");
}

TEST_F(IniFileTest, WriteThatChangesNothingLeavesTheFileUntouched) {
  const std::string original = "\n[S]  \n\n  K =  same \r\n\nQ=\"quoted\"\nE=\n";
  Put(original);
  IniFile ini = Ini();
  ini.WriteString("S", "K", "same");
  ini.WriteString("s", "k", "  same  ");  // stored trimmed, so still the same
  ini.WriteString("S", "Q", "\"quoted\"");
  ini.WriteString("S", "E", "");
  ini.DeleteKey("S", "Missing");
  ini.DeleteKey("Missing", "K");
  ini.EraseSection("Missing");
  EXPECT_EQ(Bytes(), original);
  // The unquoted text differs from the stored one, so this is a change.
  ini.WriteString("S", "Q", "quoted");
  EXPECT_EQ(Bytes(), "[S]\r\nK=same\r\nQ=quoted\r\nE=\r\n");
}

TEST_F(IniFileTest, WherePlacesNewKeysAndSections) {
  struct Case {
    const char* before;
    const char* section;
    const char* key;
    const char* after;
  };
  const Case cases[] = {
      // After the section's last line of any kind, before the next header; blank lines go.
      {"[A]\r\nX=1\r\n; last\r\n\r\n[B]\r\nY=2\r\n", "A", "N",
       "[A]\r\nX=1\r\n; last\r\nN=v\r\n[B]\r\nY=2\r\n"},
      // Into the first copy of a duplicated section.
      {"[A]\r\nX=1\r\n[B]\r\n[a]\r\nZ=3\r\n", "A", "N",
       "[A]\r\nX=1\r\nN=v\r\n[B]\r\n[a]\r\nZ=3\r\n"},
      // A new section right after the last line, however the file ended.
      {"[A]\r\nX=1", "New", "N", "[A]\r\nX=1\r\n[New]\r\nN=v\r\n"},
      {"[A]\r\nX=1\r\n\r\n\r\n", "New", "N", "[A]\r\nX=1\r\n[New]\r\nN=v\r\n"},
      {"", " New ", " N ", "[New]\r\nN=v\r\n"},
      // An empty header gets the new key.
      {"[A]\r\n[B]\r\n", "A", "N", "[A]\r\nN=v\r\n[B]\r\n"},
      // Overwriting keeps the place and the spelling of key and header; the duplicate stays.
      {"[Param]\r\n  Key = old  \r\nKEY=dup\r\nZ=1\r\n", "PARAM", "KEY",
       "[Param]\r\nKey=v\r\nKEY=dup\r\nZ=1\r\n"},
      // A line without "=" that has the key's name gets the value in its place.
      {"[A]\r\nN\r\nX=1\r\n", "A", "N", "[A]\r\nN=v\r\nX=1\r\n"},
      // A comment line never counts as a key, so the key is added after it.
      {"[A]\r\n;N=c\r\n", "A", "N", "[A]\r\n;N=c\r\nN=v\r\n"},
  };
  for (const Case& c : cases) {
    Put(c.before);
    Ini().WriteString(c.section, c.key, "v");
    EXPECT_EQ(Bytes(), c.after) << c.before;
  }
}

TEST_F(IniFileTest, ValuesAreStoredTrimmedButOtherwiseVerbatim) {
  struct Case {
    const char* value;
    const char* line;
  };
  const Case cases[] = {
      {"  padded \t", "K=padded"},        {"", "K="},
      {"\"q\"=x;y", "K=\"q\"=x;y"},       {"a;b;;c;", "K=a;b;;c;"},
      {"Měření", "K=M\xEC\xF8\x65n\xED"}, {"日本", "K=??"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Path());
    Ini().WriteString("S", "K", c.value);
    EXPECT_EQ(Bytes(), std::string("[S]\r\n") + c.line + "\r\n") << c.value;
  }
}

TEST_F(IniFileTest, LineBreaksInAValueCannotForgeLines) {
  Ini().WriteString("S", "K", "a\r\n[X]\nB=1");
  EXPECT_EQ(Ini().ReadString("S", "K", "<def>"), "a  [X] B=1");
  EXPECT_EQ(Ini().ReadString("X", "B", "<def>"), "<def>");
  EXPECT_FALSE(Ini().SectionExists("X"));
}

TEST_F(IniFileTest, NumberAndBoolWriters) {
  IniFile ini = Ini();
  ini.WriteInteger("S", "I", -12);
  ini.WriteInteger("S", "Big", 4294967296LL);
  ini.WriteFloat("S", "F", 0.5, ',');
  ini.WriteFloat("S", "G", 1.25, '.');
  ini.WriteBool("S", "T", true);
  ini.WriteBool("S", "U", false);
  EXPECT_EQ(Bytes(), "[S]\r\nI=-12\r\nBig=4294967296\r\nF=0,5\r\nG=1.25\r\nT=1\r\nU=0\r\n");
  EXPECT_EQ(ini.ReadInteger("S", "I", 0), -12);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "F", 0), 0.5);
  EXPECT_TRUE(ini.ReadBool("S", "T", false));
  EXPECT_FALSE(ini.ReadBool("S", "U", true));
}

TEST_F(IniFileTest, DeleteKeyRemovesTheFirstMatchOnly) {
  Put("[A]\r\nK=1\r\nX=2\r\nk=3\r\n[A]\r\nK=4\r\n");
  Ini().DeleteKey("a", "K");
  EXPECT_EQ(Bytes(), "[A]\r\nX=2\r\nk=3\r\n[A]\r\nK=4\r\n");
  EXPECT_EQ(Ini().ReadString("A", "K", ""), "3");
}

TEST_F(IniFileTest, EraseSectionRemovesOnlyTheFirstCopyWithItsComments) {
  Put("[Param]\r\n; c\r\nA=1\r\njust\r\n[Keep]\r\nB=2\r\n[PARAM]\r\nC=3\r\n");
  IniFile ini = Ini();
  ini.EraseSection("param");
  EXPECT_EQ(Bytes(), "[Keep]\r\nB=2\r\n[PARAM]\r\nC=3\r\n");
  EXPECT_EQ(ini.ReadString("Param", "C", ""), "3");
  ini.EraseSection("Param");
  ini.WriteString("Param", "A", "new");  // re-created at the end
  ini.WriteString("Keep", "D", "4");
  EXPECT_EQ(Bytes(), "[Keep]\r\nB=2\r\nD=4\r\n[Param]\r\nA=new\r\n");
}

TEST_F(IniFileTest, EraseAndDeleteOnAMissingFileCreateNothing) {
  IniFile ini = Ini();
  ini.EraseSection("Param");
  ini.DeleteKey("Param", "K");
  EXPECT_FALSE(Exists());
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(IniFileTest, HighBytesSurviveReadingAndWriting) {
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  // 0xA0 is a no-break space, not a blank: it must not be trimmed either.
  Put("[S]\r\nHigh=" + high + "\r\n");
  IniFile ini = Ini();
  std::string text = ini.ReadString("S", "High", "");
  EXPECT_EQ(text, Cp1250ToUtf8(high));
  ini.WriteString("S", "Copy", text);
  EXPECT_EQ(Bytes(), "[S]\r\nHigh=" + high + "\r\nCopy=" + high + "\r\n");
  EXPECT_EQ(ini.ReadString("S", "Copy", ""), text);
}

TEST_F(IniFileTest, WritesIntoAMissingFolderFailWithThePath) {
  std::string path = dir_.File("no-such-folder/x.ini");
  IniFile ini(path);
  for (int call = 0; call < 3; ++call) {
    try {
      if (call == 0) ini.WriteString("S", "K", "v");
      if (call == 1) ini.EraseSection("S");
      if (call == 2) ini.DeleteKey("S", "K");
      ADD_FAILURE() << "call " << call << " did not throw";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(IniFileTest, APathThatIsAFolderFailsAndIsLeftAlone) {
  std::filesystem::create_directory(Path());
  WriteBytes(Path() + "/inside", "keep");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  EXPECT_THROW(ini.WriteString("S", "K", "v"), Error);
  EXPECT_THROW(ini.EraseSection("S"), Error);
  EXPECT_EQ(ReadBytes(Path() + "/inside"), "keep");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

// One read per file and operation: the keys all come from the file as it was first read, so
// that reading many keys costs one parse, not one per key.
TEST_F(IniFileTest, TheFileIsReadOnceForAllItsKeys) {
  Put("[S]\r\nA=1\r\nB=2\r\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("S", "A", ""), "1");
  Put("[S]\r\nA=changed\r\nB=changed\r\n");
  EXPECT_EQ(ini.ReadString("S", "B", ""), "2");
  EXPECT_EQ(Ini().ReadString("S", "B", ""), "changed");  // a new operation reads anew
}

TEST_F(IniFileTest, ReadOnlyFileFailsEveryWrite) {
  Put("[S]\r\nK=v\r\n");
  chmod(Path().c_str(), 0444);
  IniFile ini = Ini();
  EXPECT_THROW(ini.WriteString("S", "K", "new"), Error);
  EXPECT_THROW(ini.WriteString("S", "K", "v"), Error);
  EXPECT_THROW(ini.EraseSection("S"), Error);
  EXPECT_EQ(Bytes(), "[S]\r\nK=v\r\n");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

}  // namespace
}  // namespace korvan
