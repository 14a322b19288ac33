#include "cli/batch.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>

#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "mainwindow/piece_conversion.h"
#include "mainwindow/text_file.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "resources/version.h"

namespace cli {
namespace {

constexpr char kUsageText[] =
    "使い方: quillmere [--ini FILE | --defaults] [--set KEY=VALUE]... INPUT OUTPUT\n"
    "HTML ファイル INPUT を Sanvelle の Start と同じ規則でテキストファイル OUTPUT に変換します。\n"
    "INPUT と OUTPUT の \"-\" は標準入力と標準出力です。\n"
    "\n"
    "  --ini FILE       変換設定を FILE から読みます (既定: プログラムと同じフォルダーの "
    "Brackwen.ini)\n"
    "  --defaults       設定ファイルを読まず、空の設定ファイルと同じ値 (すべて 1、HR_NUM は 5) "
    "を使います\n"
    "  --set KEY=VALUE  設定を一つ変えます。KEY: HR HR_NUM BR P IMG ANAME AHREF AHREFSharp ENTER\n"
    "                   A_LINK_TAG_TYPE\n"
    "  --help           この説明を表示します\n"
    "  --version        バージョンを表示します\n"
    "\n"
    "終了コード: 0 成功、1 引数の誤り、2 設定の誤り、3 入力または出力の失敗\n";

constexpr std::u16string_view kKeys[] = {u"HR",    u"HR_NUM",         u"BR",    u"P",
                                         u"IMG",   u"ANAME",          u"AHREF", u"AHREFSharp",
                                         u"ENTER", u"A_LINK_TAG_TYPE"};

struct Options {
  std::optional<std::u16string> ini;
  bool defaults = false;
  std::vector<std::pair<std::u16string, std::u16string>> sets;
  std::vector<std::u16string> files;
};

std::string U8(std::u16string_view s) {
  return platform::EncodeUtf8(s);
}

int UsageError(std::ostream& err, const std::string& message) {
  err << "quillmere: " << message << "\n\n" << kUsageText;
  return kUsage;
}

}  // namespace

int RunBatch(const std::vector<std::u16string>& args, const std::u16string& default_ini,
             std::istream& in, std::ostream& out, std::ostream& err) {
  Options opt;
  bool only_files = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (only_files || a == u"-" || !a.starts_with(u"-")) {
      opt.files.push_back(a);
    } else if (a == u"--") {
      only_files = true;
    } else if (a == u"--help") {
      out << kUsageText;
      return kSuccess;
    } else if (a == u"--version") {
      out << "quillmere " QUILLMERE_VERSION_TEXT "\n";
      return kSuccess;
    } else if (a == u"--defaults") {
      opt.defaults = true;
    } else if (a == u"--ini" || a == u"--set") {
      if (i + 1 == args.size()) return UsageError(err, U8(a) + " の後に値がありません。");
      const std::u16string& v = args[++i];
      if (a == u"--ini") {
        opt.ini = v;
        continue;
      }
      auto eq = v.find(u'=');
      if (eq == std::u16string::npos)
        return UsageError(err, "--set は KEY=VALUE の形で指定します。");
      std::u16string key = v.substr(0, eq);
      if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys))
        return UsageError(err, "設定項目 " + U8(key) + " はありません。");
      opt.sets.emplace_back(key, v.substr(eq + 1));
    } else {
      return UsageError(err, "不明なオプションです: " + U8(a));
    }
  }
  if (opt.ini && opt.defaults)
    return UsageError(err, "--ini と --defaults は同時に指定できません。");
  if (opt.files.size() != 2) return UsageError(err, "INPUT と OUTPUT を指定してください。");
  const std::u16string& input = opt.files[0];
  const std::u16string& output = opt.files[1];

  clsQuillmere converter;
  try {
    if (opt.defaults) {
      for (std::u16string_view key : kKeys)
        converter.SetValue(std::u16string(key), key == u"HR_NUM" ? u"5" : u"1");
    } else if (!converter.Initialize(opt.ini.value_or(default_ini))) {
      err << "quillmere: Initializeファイル読み込みエラー (" << U8(opt.ini.value_or(default_ini))
          << ")\n";
      return kSettings;
    }
    for (const auto& [key, value] : opt.sets) converter.SetValue(key, value);
  } catch (const engine::OverflowError& e) {
    err << "quillmere: " << e.what() << "\n";
    return kSettings;
  } catch (const engine::TypeMismatchError& e) {
    err << "quillmere: " << e.what() << "\n";
    return kSettings;
  }

  std::unique_ptr<platform::FileReader> file;
  if (input != u"-" && !(file = platform::FileReader::Open(input))) {
    err << "quillmere: 入力ファイルを読み込めません: " << U8(input) << "\n";
    return kFiles;
  }
  if (input != u"-" && output != u"-" && platform::SameFile(input, output)) {
    err << "quillmere: 入力と出力が同じファイルです。入力ファイルを上書きしないよう、変換しません: "
        << U8(output) << "\n";
    return kFiles;
  }
  std::unique_ptr<platform::ReplacementFile> target;
  if (output != u"-") {
    platform::WriteError error;
    if (!(target = platform::ReplacementFile::Create(output, error))) {
      err << "quillmere: " << U8(DescribeWriteError(error)) << " " << U8(output) << "\n";
      return kFiles;
    }
  }
  auto read = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
    if (file) return file->Read(buffer, size);
    in.read(buffer, static_cast<std::streamsize>(size));
    return in.bad() ? -1 : static_cast<std::ptrdiff_t>(in.gcount());
  };
  bool write_failed = false;
  auto write = [&](std::string_view bytes) {
    if (target) {
      write_failed = write_failed || !target->Write(bytes);
    } else {
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      write_failed = write_failed || !out;
    }
    return !write_failed;
  };
  if (!ConvertPieces(converter, read, write) && !write_failed) {
    target.reset();  // the partial output is dropped; an old file stays
    err << "quillmere: 入力ファイルを読み込めませんでした: " << U8(input) << "\n";
    return kFiles;
  }
  if (target) {
    if (platform::WriteError error = target->Commit(); error != platform::WriteError::kNone) {
      err << "quillmere: " << U8(DescribeWriteError(error)) << " " << U8(output) << "\n";
      return kFiles;
    }
  } else {
    out.flush();
    if (!out) {
      err << "quillmere: 標準出力に書き込めませんでした。\n";
      return kFiles;
    }
  }
  return kSuccess;
}

}  // namespace cli
