#include "editor/KeynoteFile.h"

#include "editor/Globals.h"

#include "platform/files/LineFile.h"
#include "platform/testing/TempFiles.h"
#include "platform/testing/WriteLimit.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>

using namespace editor;
namespace drv = platform::testing;

namespace {

std::string Fixture(const std::string& name) {
    return drv::ReadBytes(std::string(TEST_DATA_DIR) + "/keynote/" + name);
}

// The note a line gives as "shape|mark|title|number|description|unit|type", "settings:value",
// "settings" or "skipped".
std::string Read(const std::string& line) {
    KeynoteLine l = ParseKeynoteLine(line);
    switch (l.kind) {
    case KeynoteLine::Kind::Skipped:
        return "skipped";
    case KeynoteLine::Kind::Settings:
        return l.textHeight ? "settings:" + *l.textHeight : "settings";
    case KeynoteLine::Kind::Note:
        break;
    }
    return std::to_string(l.shape) + "|" + (l.marked ? "1" : "0") + "|" +
           (l.titleField ? "T" : "") + "|" + l.number + "|" + l.description + "|" + l.unit + "|" +
           l.type;
}

} // namespace

TEST(KeynoteFileTest, TheReaderTakesEachLineKindByItsRules) {
    struct Case {
        const char* line;
        const char* read;
    };
    const Case cases[] = {
        {"CIR,1,Footing,EA,COUNT", "1|0||1|Footing|EA|COUNT"},
        {";HEX,12,\"He said \"\"stop\"\", then\",SF,COUNT",
         "2|1||12|He said \"stop\", then|SF|COUNT"},
        {"CIR,5,Footing\\nSee detail 3,EA,COUNT", "1|0||5|Footing\r\nSee detail 3|EA|COUNT"},
        {"CIR,5,Upper\\NLower,EA,COUNT", "1|0||5|Upper\r\nLower|EA|COUNT"},
        {"CIR,5,Footing", "skipped"},
        {"CIR,5", "skipped"},
        {"cir,5,Footing,EA,COUNT", "skipped"},
        {"CIR ,1,Footing,EA,COUNT", "skipped"}, // the code is a shape's code exactly
        {";HEX  ,1,Footing,EA,COUNT", "skipped"},
        {"SST,5,Footing,EA,COUNT", "skipped"},
        {"CIR,7,Four fields,COUNT", "1|0||7|Four fields||COUNT"},
        {"CIR,1,d,EA,COUNT,extra,more", "1|0||1|d|EA|COUNT"},
        {"CIR, 7 , desc , EA, X  ", "1|0|| 7| desc | EA| X"},
        {"BOX,123456,long,EACH,COUNTS", "3|0||12345|long|EAC|COUNT"},
        {"CIR,title,Walls,,", "1|0|T|title|Walls||"},
        {"TRI,TITLE,Second,SF,X", "9|0|T|TITLE|Second|SF|X"},
        {"TRI,1,\"quoted, never closed,EA,COUNT", "skipped"},
        {"TRI,1,\"a\"\"\",EA,X", "9|0||1|a\"|EA|X"},
        {"TRI,1,\"\"\"lead\",EA,X", "9|0||1|\"\"lead\"|EA|X"}, // the format's limit
        {"CIR,1,Caf\xe9,EA,X", "1|0||1|Caf\xe9|EA|X"},
        {"\x01\x02\x7f junk", "skipped"},
        {"set,TXTHT,0.125", "settings:0.125"},
        {"SET,TXTHT,   Auto   ", "settings:Auto"},
        {" SET,TXTHT,0.1", "settings"},
        {"SET,FOO,1", "settings"},
        {"SET,txtht,1", "settings"},
        {";SET TXTHT 0.1 ; the text height", "skipped"},
        {"", "skipped"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.line), c.read) << c.line;
}

TEST(KeynoteFileTest, TheWriterEscapesOnlyTheDescriptionAndSkipsBrokenNumbers) {
    struct Case {
        NoteRow row;
        const char* line;
    };
    const Case cases[] = {
        {{"1", "7", "Footing\r\nsee A, B", "EA", "COUNT"},
         ";CIR,7,\"Footing\\nsee A, B\",EA,COUNT"},
        {{"0", "", "Slab", "SF", "COUNT"}, "CIR,,Slab,SF,COUNT"},
        {{"", "1", "a\r\nb", "", ""}, "CIR,1,a\\nb,,"},
        {{"0", "2", "say \"hi\"", "LF", "X"}, "CIR,2,\"say \"\"hi\"\"\",LF,X"},
        {{"0", "3   ", "trailing   ", "EA ", "T  "}, "CIR,3,trailing,EA,T"},
        {{"0", "123456", "d", "EACH", "COUNTS"}, "CIR,12345,d,EAC,COUNT"},
        {{"1", "\r\n", "d", "", ""}, ""},
        {{"0", "\r", "d", "", ""}, ""},
        // A description beginning with a double quote reads back only unenclosed, and with a
        // comma not at all: it then loses its leading quotes.
        {{"0", "4", "\"", "EA", "X"}, "CIR,4,\"\",EA,X"},
        {{"0", "4", "\"Typ.\" see", "EA", "X"}, "CIR,4,\"\"Typ.\"\" see,EA,X"},
        {{"0", "4", "\"\"a, b", "EA", "X"}, "CIR,4,\"a, b\",EA,X"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NoteLine("CIR", c.row), c.line) << c.row.description;
    EXPECT_EQ(TitleLine("HEX", "Foundation notes"),
              "HEX,TITLE,Foundation notes" + std::string(39, ' ') + ",,");
    // A title that its line as it stands would not give back is written with the escapes, on one
    // line; so is one beginning with a quote, unenclosed.
    EXPECT_EQ(TitleLine("HEX", "Walls\r\nHEX,9,Injected,EA"),
              "HEX,TITLE,\"Walls\\nHEX,9,Injected,EA\",,");
    EXPECT_EQ(TitleLine("HEX", "Say \"\"x\"\" now"), "HEX,TITLE,\"Say \"\"\"\"x\"\"\"\" now\",,");
    EXPECT_EQ(TitleLine("HEX", "\"Q"), "HEX,TITLE,\"\"Q" + std::string(52, ' ') + ",,");
    EXPECT_EQ(TitleLine("HEX", "Say \"x\" now"),
              "HEX,TITLE,Say \"x\" now" + std::string(44, ' ') + ",,");
    EXPECT_EQ(SettingsLine("  0.1"), "SET,TXTHT,0.1  ");
    EXPECT_EQ(SettingsLine(""), "SET,TXTHT,");
}

TEST(KeynoteFileTest, ReplaceAllIgnoresCaseNeverSearchesWhatItInsertedAndKeepsItsCapacity) {
    std::string text = "a\\nB\\N";
    ReplaceAll(text, 100, "\\n", "\r\n");
    EXPECT_EQ(text, "a\r\nB\r\n");
    text = "xx";
    ReplaceAll(text, 100, "x", "xx");
    EXPECT_EQ(text, "xxxx");
    text = "\"\"\"";
    ReplaceAll(text, 4, "\"", "\"\"");
    EXPECT_EQ(text, "\"\"\"\"");
}

// A description fits when the longest note line it can be written in holds 4096 characters.
TEST(KeynoteFileTest, ADescriptionFitsWhenItsLongestNoteLineFitsTheFile) {
    const std::size_t room = 4096 - 21; // ";CIR,12345," "," "EAC" "," "COUNT"
    EXPECT_TRUE(DescriptionFitsLine(std::string(room, 'a')));
    EXPECT_FALSE(DescriptionFitsLine(std::string(room + 1, 'a')));
    EXPECT_TRUE(DescriptionFitsLine(std::string(room - 3, 'a') + ",")); // enclosed: + 2
    EXPECT_FALSE(DescriptionFitsLine(std::string(room - 2, 'a') + ","));
    EXPECT_TRUE(DescriptionFitsLine(std::string(room - 4, 'a') + "\"")); // doubled, enclosed
    EXPECT_FALSE(DescriptionFitsLine(std::string(room - 3, 'a') + "\""));
    EXPECT_TRUE(DescriptionFitsLine(std::string(room - 2, 'a') + "\r\n")); // "\n": as long
    NoteRow longest{"1", "12345", std::string(room - 4, 'a') + "\"", "EAC", "COUNT"};
    EXPECT_EQ(NoteLine("CIR", longest).size(), 4096u);
}

// A note too long for the file's line keeps its number, unit, type and closing quote and loses
// the end of its description, never half a line break, so that it reads back as a note.
TEST(KeynoteFileTest, ANoteTooLongForTheLineLosesTheEndOfItsDescriptionOnly) {
    std::string ab;
    for (int i = 0; i < 1339; ++i)
        ab += "ab\"";
    const struct {
        std::string description;
        std::size_t kept;
    } cases[] = {
        {ab, 3055},                               // lone quotes doubled when written
        {std::string(4074, 'a') + "\r\nb", 4074}, // stops before the CR LF, not inside it
        {std::string(4200, 'a'), 4075},           // a description typed too long elsewhere
    };
    for (const auto& c : cases) {
        bool cut = false;
        const std::string line =
            NoteLine("CIR", {"1", "12345", c.description, "EAC", "COUNT"}, &cut);
        EXPECT_TRUE(cut);
        EXPECT_LE(line.size(), kKeynoteLineWidth);
        const KeynoteLine read = ParseKeynoteLine(line);
        ASSERT_EQ(read.kind, KeynoteLine::Kind::Note) << line.substr(line.size() - 20);
        EXPECT_TRUE(read.marked);
        EXPECT_EQ(read.number, "12345");
        EXPECT_EQ(read.unit, "EAC");
        EXPECT_EQ(read.type, "COUNT");
        EXPECT_EQ(read.description.size(), c.kept);
        EXPECT_TRUE(read.description == c.description.substr(0, c.kept));
    }
    bool cut = true;
    NoteLine("CIR", {"0", "1", std::string(4000, 'a'), "EA", "X"}, &cut);
    EXPECT_FALSE(cut);
}

// What the longest line takes beyond the file's, and one for each character or pair that would
// not read back as written; an edit may make neither larger, also by trading one for the other.
TEST(KeynoteFileTest, ADescriptionsExcessCountsWhatWouldBeCutAndWhatWouldNotReadBackAsWritten) {
    const std::size_t room = 4096 - 21;
    const struct {
        std::string description;
        std::size_t cut, misread;
    } cases[] = {
        {"Footing\r\nSee \"A\", B \\x \\\r\nn", 0, 0},
        {"\"Quoted\" at the start", 0, 1},
        {"a tab\there", 0, 1},
        {"a lone\rCR, a lone\nLF", 0, 2},
        {"\\n and \\N", 0, 2},
        {std::string("\0\x1a\x7f\xff", 4), 0, 4},
        {std::string(room + 3, 'a'), 3, 0},
        {std::string(room, 'a') + ",", 3, 0}, // a comma encloses it in quotes
        {std::string(5001, '\t'), 5001 - room + 1, 5001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExcessOf(c.description), (DescriptionExcess{c.cut, c.misread})) << c.description;

    // A lone CR that becomes CR LF reads back as written, but may take the line past the file's.
    const std::string lone = std::string(room - 2, 'a') + "\rb";
    EXPECT_TRUE(DescriptionMayBecome(lone.substr(1), lone));
    EXPECT_FALSE(DescriptionMayBecome(std::string(room - 2, 'a') + "\r\nb", lone));
    EXPECT_TRUE(DescriptionMayBecome(std::string(room - 3, 'a') + "\r\nb", lone));
}

TEST(KeynoteFileTest, TheWholeFileComesOutByteForByte) {
    drv::TempFolder temp;
    const std::string path = temp / "constnot.csv";
    std::vector<ShapeNotes> shapes = {
        {1,
         "Foundation notes",
         {{"0", "1", "Footing", "EA", "COUNT"}, {"1", "2", "See A, B", "LF", "LINE1"}}},
        {2, std::string(55, ' '), {{"0", "1", "Slab edge\r\nTyp.", "SF", "COUNT"}}},
        {3, "", {}},
    };
    std::vector<std::pair<long, long>> progress;
    KeynoteOutcome outcome = WriteKeynoteFile(
        path, "0.1", shapes, [&](long done, long total) { progress.emplace_back(done, total); });
    ASSERT_TRUE(outcome) << outcome.error;
    EXPECT_EQ(drv::ReadBytes(path), Fixture("example.csv"));
    EXPECT_EQ(progress, (std::vector<std::pair<long, long>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);

    ASSERT_TRUE(WriteKeynoteFile(path, "", {}));
    EXPECT_EQ(drv::ReadBytes(path), "SET,TXTHT,\r\n");
}

// A save that takes its notes one at a time, made as they are asked for (as the keynote window
// gives them from its grids), writes what the whole lists write, and asks for each note once, in
// row order; the note numbered TITLE is found through the numbers alone.
TEST(KeynoteFileTest, NotesTakenOneAtATimeWriteTheSameFile) {
    drv::TempFolder temp;
    const std::string lists = temp / "lists.csv";
    const std::string oneByOne = temp / "one.csv";
    const std::vector<ShapeNotes> shapes = {
        {4, "", {{"0", "1", "Door, see A\r\nTyp.", "EA", "COUNT"}, {"1", "title", "T", "", ""}}},
        {1, "Foundation notes", {{"0", "1", "Footing", "EA", "COUNT"}}},
        {7, "", {}},
    };
    ASSERT_TRUE(WriteKeynoteFile(lists, "0.1", shapes));

    std::vector<std::string> asked;
    std::vector<ShapeSource> sources;
    for (const ShapeNotes& s : shapes) {
        auto note = std::make_shared<NoteRow>();
        sources.push_back({s.shape, s.title, s.rows.size(),
                           [&asked, &s, note](std::size_t i) -> const NoteRow& {
                               asked.push_back(std::to_string(s.shape) + ":" + std::to_string(i));
                               *note = s.rows[i]; // a copy made for the asking, as from a grid
                               return *note;
                           },
                           [&s](std::size_t i) { return s.rows[i].number; }});
    }
    ASSERT_TRUE(WriteKeynoteFile(oneByOne, "0.1", sources, {}));
    EXPECT_EQ(drv::ReadBytes(oneByOne), drv::ReadBytes(lists));
    EXPECT_NE(drv::ReadBytes(lists).find("PEN,TITLE,"), std::string::npos);
    EXPECT_EQ(asked, (std::vector<std::string>{"4:0", "4:1", "1:0"}));
}

// Whatever step fails, the previous file is still there, whole, and nothing is left beside it.
TEST(KeynoteFileTest, AFailedSaveLeavesThePreviousFileWhole) {
    drv::TempFolder temp;
    const std::string path = temp / "constnot.csv";
    const std::string previous = Fixture("example.csv");
    std::vector<ShapeNotes> many = {{1, "", {}}};
    for (int i = 0; i < 2000; ++i)
        many[0].rows.push_back({"0", std::to_string(i), std::string(100, 'd'), "EA", "COUNT"});

    drv::WriteBytes(path, previous);
    {
        drv::WriteLimit full(4096); // the disk fills up while the file is written
        KeynoteOutcome outcome = WriteKeynoteFile(path, "0.1", many);
        EXPECT_EQ(outcome.failed, KeynoteStep::Write);
        EXPECT_EQ(outcome.error, "File too large");
    }
    EXPECT_EQ(drv::ReadBytes(path), previous);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);

    // The disk is full for a moment only: the rows written after space came back would follow a
    // gap, so the save still fails.
    {
        std::optional<drv::WriteLimit> full(std::in_place, 4096);
        KeynoteOutcome outcome = WriteKeynoteFile(path, "0.1", many, [&](long written, long) {
            if (written == 1500)
                full.reset();
        });
        EXPECT_EQ(outcome.failed, KeynoteStep::Write);
        EXPECT_EQ(outcome.error, "File too large");
    }
    EXPECT_EQ(drv::ReadBytes(path), previous);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);

    std::filesystem::permissions(path, std::filesystem::perms(0444)); // read-only
    KeynoteOutcome outcome = WriteKeynoteFile(path, "0.1", many);
    EXPECT_EQ(outcome.failed, KeynoteStep::Replace);
    EXPECT_EQ(outcome.error, "Access Denied");
    EXPECT_EQ(drv::ReadBytes(path), previous);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);

    outcome = WriteKeynoteFile(temp / "gone/constnot.csv", "0.1", many);
    EXPECT_EQ(outcome.failed, KeynoteStep::Create);
    EXPECT_EQ(outcome.error, "Path Not Found");
}

TEST(KeynoteFileTest, TheReadingTakesEveryLineInFileOrderWithItsProgress) {
    drv::TempFolder folder;
    const std::string csv = folder / "constnot.csv";
    drv::WriteBytes(
        csv, "SET,TXTHT,1/8\r\nCIR,TITLE,Walls,,\r\nnot a note\r\n;HEX,9,\"a,b\",EA,COUNT   \r\n");
    platform::LineFile file(kKeynoteLineWidth);
    file.SetName(csv);
    ASSERT_TRUE(file.Open(platform::OpenMode::ReadOnlyDenyNone));
    std::vector<std::string> taken;
    std::vector<std::pair<long, long>> progress;
    const KeynoteOutcome outcome = ReadKeynoteFile(
        file,
        [&](KeynoteLine&& l) {
            taken.push_back(l.kind == KeynoteLine::Kind::Note
                                ? std::to_string(l.shape) + (l.marked ? "*" : "") + l.number + "|" +
                                      l.description
                            : l.kind == KeynoteLine::Kind::Settings ? "settings"
                                                                    : "skipped");
        },
        [&](long read, long size) { progress.emplace_back(read, size); });
    static_cast<void>(file.Close());
    EXPECT_TRUE(outcome);
    EXPECT_EQ(taken, (std::vector<std::string>{"settings", "1TITLE|Walls", "skipped", "2*9|a,b"}));
    // Characters read count without the line ends and the trailing blanks.
    EXPECT_EQ(progress,
              (std::vector<std::pair<long, long>>{{13, 72}, {30, 72}, {40, 72}, {61, 72}}));
}

// The reading tells which note lines a save would not write back as they were read. Whatever
// shortcut it takes, a line is told exactly when writing its note as a save does and reading
// that line again gives another note (or the note had to be cut, or had no line at all).
TEST(KeynoteFileTest, TheLinesToldAreExactlyThoseASaveWouldNotWriteBack) {
    // Fields made of what the escapes and the quotes act on, and ordinary text.
    const std::vector<std::string> pieces = {"a", "b", " ",   ",",   "\"",   "\"\"", "\\",
                                             "n", "N", "\\n", "\\N", "\xff", "x y",  "\t"};
    std::mt19937 random(2718);
    const auto field = [&](int most) {
        std::string text;
        const int count = static_cast<int>(random() % static_cast<unsigned>(most + 1));
        for (int i = 0; i < count; ++i)
            text += pieces[random() % pieces.size()];
        return text;
    };
    std::string contents = "SET,TXTHT,0.1\r\n";
    std::vector<std::string> lines;
    for (int i = 0; i < 4000; ++i) {
        std::string description = field(12);
        if (random() % 2 == 0)
            description = "\"" + description + "\"";
        const std::string unit = random() % 4 == 0 ? field(3) : "EA";
        const std::string type = random() % 4 == 0 ? field(3) : "COUNT";
        std::string line =
            "CIR," + std::to_string(i + 1) + "," + description + "," + unit + "," + type;
        // Some lines a few characters short of the file's 4096, where the escapes a save adds
        // make a note too long.
        if (random() % 20 == 0 && line.size() < kKeynoteLineWidth) {
            const std::size_t at = line.find(',', 4) + 1;
            line.insert(at, std::string(kKeynoteLineWidth - random() % 5 - line.size(),
                                        description.starts_with('"') ? ' ' : 'a'));
        }
        // A line the file's records would part (a tab reads as up to 8 blanks) is not this
        // table's subject.
        const auto tabs = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
        if (line.size() + 7 * tabs > kKeynoteLineWidth) {
            --i;
            continue;
        }
        lines.push_back(line);
        contents += line + "\r\n";
    }

    drv::TempFolder folder;
    const std::string csv = folder / "constnot.csv";
    drv::WriteBytes(csv, contents);
    platform::LineFile file(kKeynoteLineWidth);
    file.SetName(csv);
    ASSERT_TRUE(file.Open(platform::OpenMode::ReadOnlyDenyNone));
    std::vector<KeynoteLine> taken;
    std::vector<KeynoteChange> changes;
    ASSERT_TRUE(ReadKeynoteFile(
        file, [&](KeynoteLine&& l) { taken.push_back(std::move(l)); }, {}, &changes));
    static_cast<void>(file.Close());
    ASSERT_EQ(taken.size(), lines.size() + 1);

    // What a save does with each note read, the long way round.
    std::vector<long> expected;
    for (std::size_t i = 1; i < taken.size(); ++i) {
        const KeynoteLine& read = taken[i];
        const long number = static_cast<long>(i) + 1;
        if (read.kind != KeynoteLine::Kind::Note) {
            expected.push_back(number);
            continue;
        }
        const NoteRow row{"0", read.number, read.description, read.unit, read.type};
        bool cut = false;
        const std::string written = NoteLine("CIR", row, &cut);
        const KeynoteLine back = ParseKeynoteLine(written);
        if (read.cut || cut || written.empty() || back.number != row.number ||
            back.description != row.description || back.unit != row.unit || back.type != row.type)
            expected.push_back(number);
    }
    std::vector<long> told;
    for (const KeynoteChange& c : changes)
        told.push_back(c.line);
    EXPECT_EQ(told, expected);
    // The table has lines of both kinds in numbers.
    EXPECT_GT(expected.size(), lines.size() / 10);
    EXPECT_LT(expected.size(), lines.size() * 9 / 10);
}

namespace {

std::string Between(std::string_view line, std::size_t from, std::size_t to) {
    return std::string(line.substr(from, to - from));
}

int ShapeOfCode(std::string_view code) {
    for (std::size_t i = 0; i < kShapes.size(); ++i)
        if (code == kShapes[i].code)
            return static_cast<int>(i + 1);
    return 0;
}

using namespace platform;

constexpr char kQuoteMarker = '\xff';

// The reader as it was first written, one copy at a time: the reference the reader is held to.
KeynoteLine ReferenceParse(std::string_view record) {
    KeynoteLine result;
    const std::string clipped = Clip(record);
    if (Upper(TrimLeft(clipped).substr(0, 3)) == "SET") {
        result.kind = KeynoteLine::Kind::Settings;
        // Characters 5 to 9 name the setting, 11 to 31 hold its value.
        std::string padded = clipped;
        if (padded.size() < 31)
            padded.resize(31, ' ');
        if (padded.compare(4, 5, "TXTHT") == 0)
            result.textHeight = Clip(Cut(TrimLeft(padded.substr(10, 21)), kTextHeightWidth));
        return result;
    }
    std::string line;
    line.reserve(clipped.size());
    for (std::size_t i = 0; i < clipped.size(); ++i) {
        if (clipped[i] == '"' && i + 1 < clipped.size() && clipped[i + 1] == '"') {
            line += kQuoteMarker;
            ++i;
        } else {
            line += clipped[i];
        }
    }

    const std::size_t comma1 = line.find(',');
    if (comma1 == std::string::npos)
        return result;
    std::string code = Cut(line.substr(0, comma1), 10);
    bool marked = false;
    if (!code.empty() && code[0] == ';') {
        marked = true;
        code.erase(0, 1);
    }
    const int shape = ShapeOfCode(code);
    if (shape == 0)
        return result;

    const std::size_t comma2 = line.find(',', comma1 + 1);
    if (comma2 == std::string::npos)
        return result;
    const std::string numberField = Clip(Between(line, comma1 + 1, comma2));

    std::string description;
    std::size_t descEnd; // the comma that ends the description
    const std::size_t start = comma2 + 1;
    if (start < line.size() && line[start] == '"') {
        std::size_t close = start + 1;
        for (;; ++close) {
            close = line.find('"', close);
            if (close == std::string::npos)
                return result;
            if (close + 1 < line.size() && line[close + 1] == ',')
                break;
        }
        description = Between(line, start + 1, close);
        descEnd = close + 1;
    } else {
        descEnd = line.find(',', start);
        if (descEnd == std::string::npos)
            return result;
        description = Between(line, start, descEnd);
    }
    bool cut = description.size() > kNoteDescWidth || numberField.size() > kNoteNumberWidth;
    description = Cut(description, kNoteDescWidth);
    for (char& c : description)
        if (c == kQuoteMarker)
            c = '"';
    ReplaceAll(description, kNoteDescWidth, "\\n", "\r\n");

    const std::size_t unitEnd = line.find(',', descEnd + 1);
    std::string typeField;
    if (unitEnd != std::string::npos) {
        const std::string unitField = Between(line, descEnd + 1, unitEnd);
        cut = cut || Clip(unitField).size() > kNoteUnitWidth;
        result.unit = Cut(unitField, kNoteUnitWidth);
        const std::size_t typeEnd = line.find(',', unitEnd + 1);
        typeField = typeEnd != std::string::npos ? Between(line, unitEnd + 1, typeEnd)
                                                 : line.substr(unitEnd + 1);
        cut = cut || (typeEnd != std::string::npos && !Clip(line.substr(typeEnd + 1)).empty());
    } else {
        // Four fields: the last one is the tally type, and the note has no unit.
        typeField = line.substr(descEnd + 1);
    }
    cut = cut || Clip(typeField).size() > kNoteTypeWidth;
    result.type = Cut(typeField, kNoteTypeWidth);
    result.cut = cut;

    result.kind = KeynoteLine::Kind::Note;
    result.shape = shape;
    result.marked = marked;
    result.titleField = Upper(numberField) == "TITLE";
    result.number = Cut(numberField, kNoteNumberWidth);
    result.description = std::move(description);
    return result;
}

} // namespace

// Lines of every kind, of the pieces the reader acts on, read by the reader and by the reference
// side by side: every field comes out the same.
TEST(KeynoteFileTest, TheReaderReadsEveryLineAsTheReferenceDoes) {
    const std::vector<std::string> pieces = {"CIR",
                                             ";HEX",
                                             " TRI",
                                             "cir",
                                             "SET",
                                             " set",
                                             "TXTHT",
                                             "TITLE",
                                             "title",
                                             ",",
                                             ",",
                                             ",",
                                             "\"",
                                             "\"\"",
                                             " ",
                                             "  ",
                                             "\\",
                                             "n",
                                             "N",
                                             "\\n",
                                             "\xff",
                                             "a",
                                             "12",
                                             "EA",
                                             "x,y",
                                             "\t",
                                             std::string(60, 'w'),
                                             std::string(2000, 'v')};
    std::mt19937 random(31415);
    KeynoteLine reused;
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int count = 1 + static_cast<int>(random() % 16);
        for (int i = 0; i < count; ++i)
            line += pieces[random() % pieces.size()];
        if (random() % 3 == 0)
            line.insert(0, std::string(kShapes[random() % kShapes.size()].code) + ",1,");
        const KeynoteLine want = ReferenceParse(line);
        // Read afresh, and into the line object of the lines read before, as a file is read.
        ParseKeynoteLine(line, reused);
        for (const KeynoteLine& got : {ParseKeynoteLine(line), reused}) {
            ASSERT_EQ(got.kind, want.kind) << line;
            ASSERT_EQ(got.textHeight, want.textHeight) << line;
            ASSERT_EQ(got.shape, want.shape) << line;
            ASSERT_EQ(got.marked, want.marked) << line;
            ASSERT_EQ(got.titleField, want.titleField) << line;
            ASSERT_EQ(got.number, want.number) << line;
            ASSERT_EQ(got.description, want.description) << line;
            ASSERT_EQ(got.unit, want.unit) << line;
            ASSERT_EQ(got.type, want.type) << line;
            ASSERT_EQ(got.cut, want.cut) << line;
        }
    }
}

// A line that a save changes in several ways is named by what loses the most: a note numbered
// with a line break, which the save leaves out, before the value cut to its field.
TEST(KeynoteFileChanges, TheReasonThatLosesTheMostIsNamed) {
    struct Case {
        std::string line;
        std::string what;
    };
    const Case cases[] = {
        {"CIR,\r    LONGER,dropped,EA,COUNT", "a note numbered with a line break"},
        {"CIR,\r,dropped,EA,COUNT", "a note numbered with a line break"},
        {"CIR,123456,cut,EA,COUNT", "a value longer than its field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        drv::TempFolder folder;
        drv::WriteBytes(folder / "constnot.csv", "SET,TXTHT,0.1\r\n" + c.line + "\r\n");
        platform::LineFile file(kKeynoteLineWidth);
        file.SetName(folder / "constnot.csv");
        ASSERT_TRUE(file.Open(platform::OpenMode::ReadOnlyDenyNone));
        std::vector<KeynoteChange> changes;
        ASSERT_TRUE(ReadKeynoteFile(
            file, [](KeynoteLine&&) {}, {}, &changes));
        static_cast<void>(file.Close());
        EXPECT_EQ(changes, (std::vector<KeynoteChange>{{2, c.what}}));
    }
}
