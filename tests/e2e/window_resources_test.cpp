// The two dialog templates of the built updater, as the platform reads them
// (the pictures, the icon and the guide are checked when the build makes
// them).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "files.h"
#include "setup_resources.h"

namespace {

// Reads a dialog template field by field.
class TemplateReader {
 public:
  explicit TemplateReader(const std::string &bytes) : bytes_(bytes) {}
  WORD word() { return take<WORD>(); }
  DWORD dword() { return take<DWORD>(); }
  short coordinate() { return take<short>(); }
  BYTE byte() { return take<BYTE>(); }
  // A text, or "#<n>" for an ordinal; UTF-16 turned into the code page 932.
  std::string text_or_ordinal() {
    if (peek() == 0xFFFF) {
      word();
      return "#" + std::to_string(word());
    }
    std::wstring wide;
    for (WORD c; (c = word()) != 0;) wide.push_back(static_cast<wchar_t>(c));
    char narrow[512] = {};
    WideCharToMultiByte(932, 0, wide.c_str(), -1, narrow, sizeof narrow, NULL, NULL);
    return narrow;
  }
  void align_to_dword() { offset_ = (offset_ + 3) & ~size_t(3); }
  bool overrun() const { return offset_ > bytes_.size(); }

 private:
  WORD peek() { return offset_ + 2 <= bytes_.size() ? *reinterpret_cast<const WORD *>(&bytes_[offset_]) : 0; }
  template <typename T>
  T take() {
    T value = {};
    if (offset_ + sizeof(T) <= bytes_.size()) value = *reinterpret_cast<const T *>(&bytes_[offset_]);
    offset_ += sizeof(T);
    return value;
  }
  const std::string &bytes_;
  size_t offset_ = 0;
};

std::string hex(DWORD value) {
  char text[16];
  wsprintfA(text, "%08X", value);
  return text;
}

// Class ordinals of the predefined controls.
std::string class_name(const std::string &name) {
  if (name == "#128") return "BUTTON";
  if (name == "#129") return "EDIT";
  if (name == "#130") return "STATIC";
  return name;
}

std::string control(DWORD id, const std::string &type, const std::string &text, DWORD style, short x, short y,
                    short cx, short cy) {
  return std::to_string(static_cast<int>(id)) + " " + class_name(type) + " [" + text + "] " + hex(style) +
         " " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + "," +
         std::to_string(cy);
}

TEST(UpdaterResources, ProgressWindowTemplateIsExtendedWithItsFontAndFourControls) {
  std::string bytes = setup_resource(RT_DIALOG, MAKEINTRESOURCEA(104));
  ASSERT_FALSE(bytes.empty());
  TemplateReader in(bytes);
  EXPECT_EQ(1, in.word());  // version
  EXPECT_EQ(0xFFFF, in.word());
  EXPECT_EQ(0u, in.dword());  // help identifier
  EXPECT_EQ(0x00040000u, in.dword());
  EXPECT_EQ("80C808C2", hex(in.dword()));
  WORD count = in.word();
  short x = in.coordinate(), y = in.coordinate(), cx = in.coordinate(), cy = in.coordinate();
  EXPECT_EQ("0,0,160,110", std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + "," +
                               std::to_string(cy));
  EXPECT_EQ("", in.text_or_ordinal());  // menu
  EXPECT_EQ("", in.text_or_ordinal());  // class
  EXPECT_EQ("", in.text_or_ordinal());  // title
  EXPECT_EQ(24, in.word());
  EXPECT_EQ(0, in.word());  // weight
  EXPECT_EQ(0, in.byte());  // italic
  EXPECT_EQ(1, in.byte());  // character set
  EXPECT_EQ("ＭＳ Ｐゴシック", in.text_or_ordinal());

  std::vector<std::string> controls;
  for (WORD i = 0; i < count; ++i) {
    in.align_to_dword();
    in.dword();  // help identifier
    EXPECT_EQ(0u, in.dword());
    DWORD style = in.dword();
    short x = in.coordinate(), y = in.coordinate(), cx = in.coordinate(), cy = in.coordinate();
    DWORD id = in.dword();
    std::string type = in.text_or_ordinal(), text = in.text_or_ordinal();
    controls.push_back(control(id, type, text, style, x, y, cx, cy));
    in.word();  // no creation data
  }
  EXPECT_FALSE(in.overrun());
  EXPECT_EQ(std::vector<std::string>(
                {"-1 STATIC [#102] 5000000E 1,1,20,14", "-1 STATIC [#101] 5000000E 46,20,66,53",
                 "1000 STATIC [] 50020001 5,80,150,8", "1003 STATIC [] 50020000 5,90,150,8"}),
            controls);
}

TEST(UpdaterResources, AboutBoxTemplateIsStandardWithItsFontAndFiveControls) {
  std::string bytes = setup_resource(RT_DIALOG, MAKEINTRESOURCEA(103));
  ASSERT_FALSE(bytes.empty());
  TemplateReader in(bytes);
  EXPECT_EQ("80C808C0", hex(in.dword()));
  EXPECT_EQ(0u, in.dword());
  WORD count = in.word();
  short x = in.coordinate(), y = in.coordinate(), cx = in.coordinate(), cy = in.coordinate();
  EXPECT_EQ("0,0,340,220", std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + "," +
                               std::to_string(cy));
  EXPECT_EQ("", in.text_or_ordinal());  // menu
  EXPECT_EQ("", in.text_or_ordinal());  // class
  EXPECT_EQ("バージョン情報", in.text_or_ordinal());
  EXPECT_EQ(12, in.word());
  EXPECT_EQ("ＭＳ ゴシック", in.text_or_ordinal());

  std::vector<std::string> controls;
  for (WORD i = 0; i < count; ++i) {
    in.align_to_dword();
    DWORD style = in.dword();
    EXPECT_EQ(0u, in.dword());
    short x = in.coordinate(), y = in.coordinate(), cx = in.coordinate(), cy = in.coordinate();
    DWORD id = static_cast<short>(in.word());
    std::string type = in.text_or_ordinal(), text = in.text_or_ordinal();
    controls.push_back(control(id, type, text, style, x, y, cx, cy));
    in.word();
  }
  EXPECT_FALSE(in.overrun());
  EXPECT_EQ(std::vector<std::string>(
                {"-1 STATIC [#106] 50000003 10,10,20,20", "1001 STATIC [] 50020080 40,10,230,8",
                 "1002 STATIC [] 50020000 40,25,230,8", "1000 EDIT [] 50A10944 10,40,320,170",
                 "1 BUTTON [閉じる(&C)] 50030001 280,10,50,14"}),
            controls);
}

}  // namespace
