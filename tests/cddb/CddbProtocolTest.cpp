// Disc ids, query numbers, query URLs and the parsing of query answers.
#include "cddb/protocol/CddbProtocol.h"
#include "cd/Disc.h"
#include "cddb/CDDBInfo.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A disc of audio tracks 1, 2, ... starting at the given sectors; the last number is the
// lead-out.
TDisc DiscOf(std::initializer_list<int32_t> sectors) {
    TDisc disc;
    for (const int32_t s : sectors)
        disc.Tracks.push_back({int32_t(disc.Tracks.size()) + 1, s, false});
    if (!disc.Tracks.empty()) {
        disc.LeadOut = disc.Tracks.back().Start;
        disc.Tracks.pop_back();
    }
    return disc;
}

} // namespace

TEST(CddbProtocolTest, DiscIdAndQueryNumbersUseProtocolOffsets) {
    // Three tracks at sectors 0, 20000 and 40000, lead-out at 60000: start seconds 2, 268 and
    // 535, lead-out 802, digit sums 2 + 16 + 13 = 31.
    const TDisc disc = DiscOf({0, 20000, 40000, 60000});
    EXPECT_EQ(disc.CddbDiscId(), "1f032003");
    // Offsets count from the lead-in (sector + 150); the length is (lead-out + 150) div 75.
    EXPECT_EQ(disc.CddbQueryNumbers(), "3 150 20150 40150 802");
    // A digit sum of 0.
    EXPECT_EQ(DiscOf({-150, 0}).CddbDiscId(), "00000201");
    // A published 22-track disc (FreeDB id 370fce16) whose digit sum is 310: 55 (0x37) mod 255,
    // where mod 256 would give 0x36. Its offsets count from the lead-in, so 150 sectors less here.
    TDisc published;
    const std::vector<int32_t> offsets{150,    9700,   25887,  39297,  53795,  63735,  77517,  94877,
                                       107270, 123552, 135522, 148422, 161197, 174790, 192022, 205545,
                                       218010, 228700, 239590, 255470, 266932, 288750};
    for (const int32_t offset : offsets)
        published.Tracks.push_back({int32_t(published.Tracks.size()) + 1, offset - 150, false});
    published.LeadOut = 303602 - 150;
    EXPECT_EQ(published.CddbDiscId(), "370fce16");
    EXPECT_EQ(DiscOf({}).CddbDiscId(), "ffffffff");
    EXPECT_EQ(DiscOf({60000}).CddbDiscId(), "ffffffff");
    EXPECT_EQ(DiscOf({60000}).CddbQueryNumbers(), "");
}

TEST(CddbProtocolTest, UrlCarriesTheFourHelloFields) {
    TTempProgramFolder folder;
    TCDDBInfo info;
    info.Server = "http://example.org";
    info.Email = "a@b@c.org";
    info.ApplicationName = "My Ripper";
    info.ApplicationVersion = "2.5";
    EXPECT_EQ(info.QueryObject().BuildUrl("query", "1f032003 3 150 20150 40150 802"),
              "http://example.org/~cddb/cddb.cgi?cmd=cddb+query+1f032003+3+150+20150+40150+802"
              "&hello=a+b+c.org+My_Ripper+2.5&proto=5");
    // Without explicit values the hello comes from the settings and the program's version.
    Settings.Email = "me@my.host";
    Settings.ClientName = "Discwright";
    TCDDBInfo defaults;
    EXPECT_EQ(defaults.Server, "http://gnudb.gnudb.org");
    EXPECT_EQ(
        defaults.QueryObject().BuildUrl("read", "rock 1f032003"),
        "http://gnudb.gnudb.org/~cddb/cddb.cgi?cmd=cddb+read+rock+1f032003&hello=me+my.host+Discwright+" DW_VERSION
        "&proto=5");
    // Characters that would break the URL are escaped.
    Settings.Email = QString::fromLatin1("a&b#c%@h\xe9st");
    EXPECT_TRUE(defaults.QueryObject().BuildUrl("read", "x").contains("hello=a%26b%23c%25+h%C3%A9st+Discwright"));
}

TEST(CddbProtocolTest, QueryAnswersGiveCodesAndMatches) {
    TCDDBInfo info;
    TCDDBQuery& q = info.QueryObject();
    EXPECT_EQ(q.ParseQueryAnswer("200 rock 1f032003 Some Band / An Album\r\n"), 200);
    EXPECT_EQ(q.Matches, QStringList{"rock 1f032003 Some Band / An Album"});

    EXPECT_EQ(q.ParseQueryAnswer("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                 "rock 1f032003 First / One\r\nmisc 1f032004 Second / Two\r\n.\r\n"
                                 "200 jazz 00000000 after the end\r\n"),
              211);
    EXPECT_EQ(q.Matches, QStringList({"rock 1f032003 First / One", "misc 1f032004 Second / Two"}));

    EXPECT_EQ(q.ParseQueryAnswer("210 Found exact matches\nrock 1f032003 Only / One"), 210);
    EXPECT_EQ(q.Matches, QStringList{"rock 1f032003 Only / One"});
    EXPECT_EQ(q.ParseQueryAnswer("202 No match found\r\n"), 202);
    EXPECT_TRUE(q.Matches.isEmpty());
    EXPECT_EQ(q.ParseQueryAnswer("500 Unknown developer email\r\n"), 500);
    EXPECT_EQ(q.ParseQueryAnswer(""), -2);
    // The code is that of the last line examined; a line that does not start with a number
    // counts as 500.
    EXPECT_EQ(q.ParseQueryAnswer("<html>\r\n<body>Not Found</body>\r\n"), 500);
    EXPECT_EQ(q.ParseQueryAnswer("200 rock 1f032003 A / B\r\n403 Database entry is corrupt\r\n"), 403);
    EXPECT_EQ(q.Matches.size(), 1);
    EXPECT_EQ(q.ParseQueryAnswer("20\r\n"), 20);
    // Signs and blanks are not digits: a line cannot pose as "empty answer" or "no transfer".
    EXPECT_EQ(q.ParseQueryAnswer("-2 x\r\n"), 500);
    EXPECT_EQ(q.ParseQueryAnswer("-1\r\n"), 500);
    EXPECT_EQ(q.ParseQueryAnswer(" 20 x\r\n"), 500);
    EXPECT_EQ(q.ParseQueryAnswer("211 list\r\n"), 211);
    EXPECT_TRUE(q.Matches.isEmpty());

    QString category, discId, title;
    TCDDBQuery::SplitMatch("rock 1f032003 Some Band / An  Album ", category, discId, title);
    EXPECT_EQ(category, "rock");
    EXPECT_EQ(discId, "1f032003");
    EXPECT_EQ(title, "Some Band / An  Album ");
    TCDDBQuery::SplitMatch("lonely", category, discId, title);
    EXPECT_EQ(category, "lonely");
    EXPECT_EQ(discId, "");
    EXPECT_EQ(title, "");
    EXPECT_FALSE(CddbIsReadableMatch(CddbSplitMatch("rock&cmd=x 1f032003 t")));
    EXPECT_FALSE(CddbIsReadableMatch(CddbSplitMatch("rock 1f03200z t")));
    EXPECT_TRUE(CddbIsReadableMatch(CddbSplitMatch("rock 1F032003")));
}
