// The resources of the built updater that its windows use, as the platform
// reads them: the two dialog templates, the pictures, the icon and the guide.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "files.h"

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

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

class UpdaterResources : public testing::Test {
 protected:
  void SetUp() override {
    setup_ = LoadLibraryExA(build_path("bin\\Setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(setup_, nullptr);
  }
  void TearDown() override { FreeLibrary(setup_); }

  std::string resource(LPCSTR type, int id) {
    HRSRC found = FindResourceExA(setup_, type, MAKEINTRESOURCEA(id), kJapanese);
    if (found == NULL) return "";
    return std::string(static_cast<const char *>(LockResource(LoadResource(setup_, found))),
                       SizeofResource(setup_, found));
  }

  void expect_picture(int id, LONG width, LONG height) {
    std::string bitmap = resource(RT_BITMAP, id);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER)) << id;
    const BITMAPINFOHEADER *header = reinterpret_cast<const BITMAPINFOHEADER *>(bitmap.data());
    EXPECT_EQ(width, header->biWidth) << id;
    EXPECT_EQ(height, header->biHeight) << id;
    EXPECT_EQ(24, header->biBitCount) << id;
    EXPECT_EQ(DWORD(BI_RGB), header->biCompression) << id;
    EXPECT_EQ(3780, header->biXPelsPerMeter) << id;
    EXPECT_EQ(3780, header->biYPelsPerMeter) << id;
  }

  HMODULE setup_ = NULL;
};

TEST_F(UpdaterResources, ProgressWindowTemplateIsExtendedWithItsFontAndFourControls) {
  std::string bytes = resource(RT_DIALOG, 104);
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

TEST_F(UpdaterResources, AboutBoxTemplateIsStandardWithItsFontAndFiveControls) {
  std::string bytes = resource(RT_DIALOG, 103);
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

TEST_F(UpdaterResources, PicturesAreUncompressed24BitAt3780PixelsPerMetre) {
  expect_picture(101, 420, 275);
  expect_picture(102, 86, 54);
}

TEST_F(UpdaterResources, IconGroupHoldsOne48By48ImageIn16Colours) {
  std::string group = resource(RT_GROUP_ICON, 106);
  ASSERT_EQ(6u + 14u, group.size());
  const WORD *header = reinterpret_cast<const WORD *>(group.data());
  EXPECT_EQ(1, header[1]);  // icons
  EXPECT_EQ(1, header[2]);  // one image
  const BYTE *entry = reinterpret_cast<const BYTE *>(group.data() + 6);
  EXPECT_EQ(48, entry[0]);
  EXPECT_EQ(48, entry[1]);
  EXPECT_EQ(16, entry[2]);
  EXPECT_EQ(4, *reinterpret_cast<const WORD *>(entry + 6));  // bits per pixel
}

TEST_F(UpdaterResources, GuideIs166ShiftJisLinesEndedByCrLfWithoutNul) {
  std::string guide = resource("BINARY", 111);
  ASSERT_EQ(6671u, guide.size());
  EXPECT_EQ(std::string::npos, guide.find('\0'));
  size_t lines = 0;
  for (size_t at = 0; (at = guide.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(166u, lines);
  EXPECT_EQ("\r\n", guide.substr(guide.size() - 2));
  // Every byte is part of a valid code page 932 text.
  EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, guide.data(), static_cast<int>(guide.size()),
                                   NULL, 0));
}

}  // namespace
