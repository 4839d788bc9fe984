// Display safety, text folding and path redaction on given values: pure rules, also built natively under the
// sanitizers. (Reading the environment is tested in display_text_tests.cpp.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "check/display_text.h"
#include "check/redaction.h"
#include "core/text.h"
#include "tests/support/utf8.h"

namespace tavlun {
namespace {

using testing_support::Utf8;

TEST(SanitizeForDisplay, LineBreaksAndDirectionMarksAreNeutralised) {
  EXPECT_EQ(SanitizeForDisplay(L"  first\r\nsecond\u202Etxt.exe  "), L"first  second_txt.exe");
  EXPECT_EQ(SanitizeForDisplay(L"\r\n\t\x01\x1F\x7F\x85\x9F"), L"") << "only control characters";
  EXPECT_EQ(SanitizeForDisplay(L"<b>a&b</b>"), L"_b_a_b_/b_");
  EXPECT_EQ(SanitizeForDisplay(L"a\u200Bb\u200Cc\u200Dd\u200Ee\u200Ff\u2060g\uFEFFh"), L"a_b_c_d_e_f_g_h");
  EXPECT_EQ(SanitizeForDisplay(L"\u202A\u202B\u202C\u202D\u202E\u2066\u2067\u2068\u2069\u061C"), L"__________");
  EXPECT_EQ(SanitizeForDisplay(L"a\u2028b\u2029c"), L"a b c") << "Unicode line and paragraph separators break lines";
  EXPECT_EQ(SanitizeForDisplay(L"\u00A0 Çağrı Işık İsmail\u3000"), L"Çağrı Işık İsmail");
  EXPECT_EQ(SanitizeForDisplay(L"x\u00A0y"), L"x\u00A0y") << "inner no-break space stays";
}

TEST(SanitizeForDisplay, ResultNeverHasBreaksOrOuterSpace) {
  // Every code unit of the Basic Multilingual Plane, alone and between letters.
  for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
    const std::wstring out = SanitizeForDisplay(std::wstring(L"a") + static_cast<wchar_t>(u) + L"b");
    ASSERT_EQ(out.size(), 3u) << u;
    for (wchar_t c : out) {
      ASSERT_FALSE(c == L'\r' || c == L'\n' || c == L'\t' || c == L'<' || c == L'>' || c == L'&' || c == 0x202E)
          << u;
    }
    const std::wstring alone = SanitizeForDisplay(std::wstring(1, static_cast<wchar_t>(u)));
    if (!alone.empty()) {
      ASSERT_FALSE(IsWhitespaceUnit(alone.front())) << u;
    }
  }
}

TEST(TextFolding, TurkishLettersFoldOneUnitToOne) {
  EXPECT_EQ(ToLowerText(L"ÇAĞRI IŞIK"), L"çağri işik");
  EXPECT_EQ(ToLowerText(L"Çağrı Işık"), L"çağri işik");
  EXPECT_EQ(ToLowerText(L"İSMAİL"), L"ismail");
  EXPECT_EQ(ToLowerText(L"ÖĞÜŞ ÂÎÛ ÆØÅ Ÿ ΑΒΓ ЖЁ Ｚ"), L"öğüş âîû æøå ÿ αβγ жё ｚ");
  EXPECT_EQ(ToLowerText(L"C:\\USERS"), L"c:\\users");
  EXPECT_EQ(ToLowerText(L"×÷ß"), L"×÷ß");
  for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
    ASSERT_EQ(ToLowerText(std::wstring(1, static_cast<wchar_t>(u))).size(), 1u);
  }
}

TEST(ReplaceAllIgnoreCase, ReplacesEveryMatchOnceAndKeepsReplacementCase) {
  std::wstring text = L"C:\\Users\\Ayse\\x;c:\\users\\ayse\\y";
  ReplaceAllIgnoreCase(&text, L"C:\\USERS\\AYSE", L"%USERPROFILE%");
  EXPECT_EQ(text, L"%USERPROFILE%\\x;%USERPROFILE%\\y");

  std::wstring recursive = L"aa";
  ReplaceAllIgnoreCase(&recursive, L"a", L"aA");
  EXPECT_EQ(recursive, L"aAaA") << "an inserted replacement is not searched again";

  std::wstring unchanged = L"abc";
  ReplaceAllIgnoreCase(&unchanged, L"", L"x");
  EXPECT_EQ(unchanged, L"abc");
  ReplaceAllIgnoreCase(&unchanged, L"abcd", L"x");
  EXPECT_EQ(unchanged, L"abc");

  std::wstring turkish = L"D:\\ÇAĞRI IŞIK\\notlar";
  ReplaceAllIgnoreCase(&turkish, L"d:\\çağrı ışık", L"%USERPROFILE%");
  EXPECT_EQ(turkish, L"%USERPROFILE%\\notlar");
}

RedactionValues Values(const wchar_t* local_app_data, const wchar_t* app_data, const wchar_t* temp,
                       const wchar_t* tmp, const wchar_t* profile) {
  return RedactionValues{local_app_data, app_data, temp, tmp, profile};
}

TEST(RedactPathText, LongerFolderWinsAndCaseIsIgnored) {
  const RedactionValues values = Values(L"C:\\Users\\Ayse\\AppData\\Local", L"", L"", L"", L"C:\\Users\\Ayse");
  EXPECT_EQ(RedactPathText(L"c:\\users\\ayse\\appdata\\local\\Temp\\x.txt", values), L"%LOCALAPPDATA%\\Temp\\x.txt");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\Ayse\\Documents", values), L"%USERPROFILE%\\Documents");
}

TEST(RedactPathText, TempAndTmpBothBecomeTemp) {
  EXPECT_EQ(RedactPathText(L"C:\\T\\a", Values(L"", L"", L"C:\\T", L"C:\\T", L"")), L"%TEMP%\\a");
  EXPECT_EQ(RedactPathText(L"C:\\T\\a", Values(L"", L"", L"", L"C:\\T", L"")), L"%TEMP%\\a");
}

TEST(RedactPathText, UserNameSegmentRule) {
  const RedactionValues none{};
  EXPECT_EQ(RedactPathText(L"D:\\Backup\\Users\\mehmet\\notes.txt", none), L"D:\\Backup\\Users\\<kullanıcı>\\notes.txt");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\%USERNAME%\\x", none), L"C:\\Users\\%USERNAME%\\x");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\", none), L"C:\\Users\\");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\a\\x and C:\\Users\\b\\y", none),
            L"C:\\Users\\<kullanıcı>\\x and C:\\Users\\<kullanıcı>\\y");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\ali", none), L"C:\\Users\\<kullanıcı>");
  EXPECT_EQ(RedactPathText(L"x\\USERS\\\\Users\\b", none), L"x\\USERS\\<kullanıcı>\\b") << "read as Windows reads it";
  EXPECT_EQ(RedactPathText(L"C:/Users/veli/x", none), L"C:/Users/<kullanıcı>/x") << "forward slashes too";
}

TEST(RedactPathText, FolderMatchesOnlyWholeFolders) {
  // Another user whose name begins with this user's name: no "%USERPROFILE%Kaya", the name rule takes it whole.
  const RedactionValues ayse = Values(L"C:\\Users\\Ayse\\AppData\\Local", L"", L"C:\\Users\\Ayse\\AppData\\Local\\Temp",
                                      L"", L"C:\\Users\\Ayse");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\AyseKaya\\jdk", ayse), L"C:\\Users\\<kullanıcı>\\jdk");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\Ayse\\AppData\\Local\\Temporary\\x", ayse), L"%LOCALAPPDATA%\\Temporary\\x");
  EXPECT_EQ(RedactPathText(L"C:\\Users\\Ayse\\AppData\\Local\\Temp", ayse), L"%TEMP%");
  EXPECT_EQ(RedactPathText(L"C:/Users/Ayse/jdk", ayse), L"%USERPROFILE%/jdk");
  // A profile outside a "users" folder has no name rule behind it.
  const RedactionValues elsewhere = Values(L"", L"", L"", L"", L"D:\\Profiller\\Ayse");
  EXPECT_EQ(RedactPathText(L"D:\\Profiller\\Ayse\\jdk", elsewhere), L"%USERPROFILE%\\jdk");
  EXPECT_EQ(RedactPathText(L"D:\\Profiller\\AyseKaya\\jdk", elsewhere), L"D:\\Profiller\\AyseKaya\\jdk");
  // A value that already ends in a separator matches whatever follows it.
  EXPECT_EQ(RedactPathText(L"D:\\T\\a", Values(L"", L"", L"D:\\T\\", L"", L"")), L"%TEMP%a");
}

TEST(RedactPathText, SpellingsThatWindowsResolvesToTheProfileLoseTheName) {
  const RedactionValues none{};
  for (const wchar_t* path : {L"C:\\Users\\\\Ayşe Kaya\\jdk", L"C:\\Users\\.\\Ayşe Kaya\\jdk",
                              L"C:\\Users\\Public\\..\\Ayşe Kaya\\jdk", L"C:\\Users\\Ayşe Kaya. \\jdk",
                              L"C:\\..\\Users\\\\Ayşe Kaya\\.\\jdk", L"C:\\Users::$INDEX_ALLOCATION\\Ayşe Kaya\\jdk",
                              L"C:\\Users:$I30:$Index_Allocation\\Ayşe Kaya\\jdk"}) {
    EXPECT_EQ(RedactPathText(path, none), L"C:\\Users\\<kullanıcı>\\jdk") << Utf8(path);
  }
  const RedactionValues elsewhere = Values(L"", L"", L"", L"", L"D:\\Profiller\\\\Ayşe Kaya");
  for (const wchar_t* path : {L"D:\\Profiller\\\\Ayşe Kaya\\jdk", L"D:\\Profiller\\Ayşe Kaya.\\jdk",
                              L"D:\\Profiller\\Ayşe Kaya \\jdk", L"D:\\Profiller\\x\\..\\Ayşe Kaya\\jdk",
                              L"D:\\Profiller::$INDEX_ALLOCATION\\Ayşe Kaya::$INDEX_ALLOCATION\\jdk"}) {
    EXPECT_EQ(RedactPathText(path, elsewhere), L"%USERPROFILE%\\jdk") << Utf8(path);
  }
  EXPECT_EQ(RedactPathText(L"C:\\Documents and Settings\\Ayşe Kaya\\jdk", none),
            L"C:\\Documents and Settings\\<kullanıcı>\\jdk")
      << "the junction Windows keeps to the profiles folder";
  EXPECT_EQ(ResolvePathText(L"\\\\server\\\\share\\a\\..\\..\\b"), L"\\\\server\\b");
  EXPECT_EQ(ResolvePathText(L"C:\\..\\..\\x"), L"C:\\x") << "never above the drive";
}

TEST(ProgramNameForClipboard, OnlyProgramFileNamesWithoutTheUsersName) {
  const RedactionValues values = Values(L"", L"", L"", L"", L"C:\\Users\\Ayşe Kaya");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Program Files\\Java\\bin\\javaws.exe", L"javaws.exe"},
      {L"C:/Java/bin/JAVAWS.EXE", L"JAVAWS.EXE"},
      {L"C:\\Users\\Ayşe", L"gizlendi"},               // what an unquoted opener command can leave
      {L"C:\\x\\java_ws_exe.txt", L"gizlendi"},
      {L"C:\\x\\ayşe kaya.exe", L"gizlendi"},
      {L"C:\\x\\KayaTools.exe", L"gizlendi"},          // a word of the profile's name
      {L"C:\\x\\mkorkmaz-editor.exe", L"gizlendi"},    // the user name
      {L"C:\\x\\.exe", L"gizlendi"},
  };
  for (const auto& [path, shown] : cases) {
    EXPECT_EQ(ProgramNameForClipboard(path, values, L"mkorkmaz"), shown) << Utf8(path);
  }
  // Names written with other marks than a blank have words too.
  const RedactionValues dotted = Values(L"", L"", L"", L"", L"C:\\Users\\ayse.kaya");
  EXPECT_EQ(ProgramNameForClipboard(L"C:\\x\\kaya.exe", dotted, L"ayse.kaya"), L"gizlendi");
  EXPECT_EQ(ProgramNameForClipboard(L"C:\\x\\ayse-tools.exe", Values(L"", L"", L"", L"", L""), L"ayse_kaya"),
            L"gizlendi");
  EXPECT_EQ(ProgramNameForClipboard(L"C:\\x\\javaws.exe", dotted, L"ayse.kaya"), L"javaws.exe");
  // A profile value without a separator is one whole name: "bayan" holds none of its words.
  EXPECT_EQ(ProgramNameForClipboard(L"C:\\x\\bayan.exe", Values(L"", L"", L"", L"", L"Kaya"), L"mkorkmaz"), L"bayan.exe");
}

TEST(RedactPathText, FolderNamesThatDisplaySafetyChangesAreStillFound) {
  // The text is made display-safe before the folders are looked for, so the folders are looked for in that form.
  const RedactionValues values = Values(L"", L"", L"", L"", L"D:\\Profiller\\Ali&Veli");
  EXPECT_EQ(RedactPathText(L"D:\\Profiller\\Ali&Veli\\jdk", values), L"%USERPROFILE%\\jdk");
  EXPECT_EQ(RedactPathText(L"D:\\Profiller\\ALI&VELI", values), L"%USERPROFILE%");
}

TEST(RedactPathText, OutputIsDisplaySafe) {
  EXPECT_EQ(RedactPathText(L" C:\\a\r\nb\u202E ", RedactionValues{}), L"C:\\a  b_");
}

// The profile paths of users with Turkish names, in every letter case a tool might write them, never survive.
TEST(RedactPathText, TurkishProfileNamesNeverSurvive) {
  struct Profile {
    const wchar_t* profile;
    const wchar_t* name_forms[4];
  };
  const Profile profiles[] = {
      {L"C:\\Users\\Çağrı Işık", {L"Çağrı Işık", L"ÇAĞRI IŞIK", L"çağrı ışık", L"çaĞRı IşIK"}},
      {L"C:\\Users\\İsmail", {L"İsmail", L"İSMAİL", L"ismail", L"ISMAIL"}},
  };
  for (const Profile& p : profiles) {
    const std::wstring profile = p.profile;
    const RedactionValues values = Values((profile + L"\\AppData\\Local").c_str(), (profile + L"\\AppData\\Roaming").c_str(),
                                          (profile + L"\\AppData\\Local\\Temp").c_str(), L"", p.profile);
    for (const wchar_t* form : p.name_forms) {
      for (const wchar_t* prefix : {L"C:\\Users\\", L"c:\\USERS\\", L"C:/users/"}) {
        for (const wchar_t* rest : {L"", L"\\", L"\\jdk\\bin\\javaws.exe", L"\\AppData\\Local\\Temp\\x",
                                    L"\\appdata\\ROAMING\\y"}) {
          const std::wstring text = std::wstring(L"yol=") + prefix + form + rest + L"; sonu";
          const std::wstring redacted = RedactPathText(text, values);
          const std::wstring folded = ToLowerText(redacted);
          EXPECT_EQ(folded.find(L"çağri"), std::wstring::npos) << Utf8(text) << " -> " << Utf8(redacted);
          EXPECT_EQ(folded.find(L"işik"), std::wstring::npos) << Utf8(text) << " -> " << Utf8(redacted);
          EXPECT_EQ(folded.find(L"ismail"), std::wstring::npos) << Utf8(text) << " -> " << Utf8(redacted);
        }
      }
    }
  }
  const RedactionValues ayse = Values(L"", L"", L"", L"", L"C:\\Users\\Çağrı Işık");
  EXPECT_EQ(RedactPathText(L"C:\\USERS\\ÇAĞRI IŞIK\\jdk", ayse), L"%USERPROFILE%\\jdk");
}

}  // namespace
}  // namespace tavlun
