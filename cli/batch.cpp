#include "cli/batch.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/many_files.h"
#include "conversion/conversion_run.h"
#include "conversion/file_list.h"
#include "conversion/file_messages.h"
#include "conversion/text_settings.h"
#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/interrupt.h"
#include "resources/version.h"

namespace cli {
namespace {

constexpr char kUsageText[] =
    "使い方: quillmere [--ini FILE | --defaults] [--set KEY=VALUE]... [--readable] [--main]\n"
    "                  [--width N]\n"
    "                  [--input-encoding NAME] [--output-encoding NAME] [--show-encoding]\n"
    "                  INPUT OUTPUT\n"
    "       quillmere [オプション] [-r] [-j N] [--no-clobber] [-q | --progress] -o DIR INPUT...\n"
    "HTML ファイル INPUT を Sanvelle の Start と同じ規則でテキストファイル OUTPUT に変換します。\n"
    "INPUT と OUTPUT の \"-\" は標準入力と標準出力です。\n"
    "-o DIR を付けると、いくつものファイルを一度に変換し、それぞれの出力をフォルダー DIR に\n"
    "「入力の名前から拡張子を除き .txt を付けた名前」で書きます。INPUT はファイルかフォルダー\n"
    "(その中の *.htm、*.html、*.mht、*.mhtml) で、* と ? のワイルドカードも使えます。\n"
    "\n"
    "  --ini FILE       変換設定を FILE から読みます (既定: プログラムと同じフォルダーの "
    "Brackwen.ini)\n"
    "  --defaults       設定ファイルを読まず、空の設定ファイルと同じ値 (HR_NUM は 5、SCRIPT "
    "ENTITY\n"
    "                   SPACE BLOCK TABLE LINKS MAIN RUBY WIDTH は 0、ほかは 1) を使います\n"
    "  --set KEY=VALUE  設定を一つ変えます。KEY: HR HR_NUM BR P IMG ANAME AHREF AHREFSharp ENTER\n"
    "                   A_LINK_TAG_TYPE SCRIPT ENTITY SPACE BLOCK TABLE LINKS MAIN RUBY\n"
    "                   WIDTH。\n"
    "                   RUBY はルビの書き方です: 0 本文に続ける (漢字かんじ)、1 かっこ\n"
    "                   (漢字（かんじ）)、2 青空文庫の形式 (漢字《かんじ》)、3 書かない (漢字)\n"
    "  --readable       読みやすいテキストにします: --set SCRIPT=1 --set ENTITY=1 --set SPACE=1\n"
    "                   --set BLOCK=1 --set LINKS=1 と同じです (ブラウザーに表示されない部分を\n"
    "                   除き、文字参照をすべて戻し、空白をまとめ、段落や見出しやリストの項目を\n"
    "                   行に分け、リンク先を番号付きで末尾にまとめます)。表の列を文字幅で\n"
    "                   そろえるには --set TABLE=1 も付けます\n"
    "  --main           ページの本文だけを書きます: --set MAIN=1 と同じです (メニュー、\n"
    "                   サイドバー、広告、関連記事、コメント欄などを除き、記事の見出しと本文、\n"
    "                   掲示板の投稿、商品の説明、一覧の項目を残します。本文と言える部分が\n"
    "                   見つからないときはページ全体を書きます)。--readable では付きません\n"
    "  --width N        読みやすいテキストの行を N 桁 (20～1000、全角は 2 桁) で折り返します:\n"
    "                   --set WIDTH=N と同じです。行頭に句読点や閉じかっこが来ないように\n"
    "                   (禁則処理)、英単語や URL は途中で切らずに折り返します\n"
    "  --input-encoding NAME\n"
    "                   入力の文字コード: auto (既定) ansi shift_jis euc-jp iso-2022-jp utf-8\n"
    "                   utf-16le utf-16be windows-1252。auto はバイトオーダーマーク、先頭 1024\n"
    "                   バイトの <meta> の宣言、先頭 64 KiB の内容 (ISO-2022-JP か UTF-8 か) の\n"
    "                   順に決め、どれにも当たらなければ ANSI コードページ (日本語の Windows\n"
    "                   では Shift_JIS) です\n"
    "  --output-encoding NAME\n"
    "                   出力の文字コード: same ansi shift_jis utf-8 utf-8-bom utf-16le。既定は\n"
    "                   設定ファイルの [TEXT] の OUTPUT で、ないときは same です。\n"
    "                   same は UTF-8 と UTF-16 の入力を UTF-8 で (入力にバイトオーダーマークが\n"
    "                   あれば付けて)、それ以外を ANSI コードページで書きます。utf-16le には\n"
    "                   バイトオーダーマークを付けます\n"
    "  --show-encoding  入力の文字コードとその決め手 (bom meta xml content default option) を\n"
    "                   標準エラーに一行で書きます (例: input: utf-8 (meta))\n"
    "  -o DIR           出力先のフォルダー (なければ作ります)\n"
    "  -r               フォルダーのサブフォルダーの中も変換し、出力を DIR の同じサブフォルダーに\n"
    "                   書きます\n"
    "  -j N             同時に N 個のファイルを変換します (既定: プロセッサーの数)\n"
    "  --no-clobber     出力ファイルがすでにあれば、その入力はスキップします\n"
    "  -q               エラーのほかは何も表示しません\n"
    "  --progress       端末でなくても進み具合の行を表示します\n"
    "  --help           この説明を表示します\n"
    "  --version        バージョンを表示します\n"
    "\n"
    "終了コード: 0 成功、1 引数の誤り、2 設定の誤り、3 入力または出力の失敗 (-o では一つでも\n"
    "失敗したとき)、130 Ctrl+C で中断したとき\n";

// What --readable turns on; an empty settings file has them off.
constexpr std::u16string_view kReadableKeys[] = {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK",
                                                 u"LINKS"};

using platform::Encoding;

// The names of the encodings on the command line and in --show-encoding.
struct EncodingName {
  std::u16string_view name;
  Encoding encoding;
};
constexpr EncodingName kInputEncodings[] = {
    {u"ansi", Encoding::kAnsi},        {u"shift_jis", Encoding::kShiftJis},
    {u"euc-jp", Encoding::kEucJp},     {u"iso-2022-jp", Encoding::kIso2022Jp},
    {u"utf-8", Encoding::kUtf8},       {u"utf-16le", Encoding::kUtf16Le},
    {u"utf-16be", Encoding::kUtf16Be}, {u"windows-1252", Encoding::kWindows1252}};

std::string_view WhyName(conversion::InputEncoding::Why why) {
  using Why = conversion::InputEncoding::Why;
  switch (why) {
    case Why::kByteOrderMark:
      return "bom";
    case Why::kDeclaration:
      return "meta";
    case Why::kXmlDeclaration:
      return "xml";
    case Why::kContent:
      return "content";
    case Why::kChosen:
      return "option";
    case Why::kSavedPage:
      return "mhtml";
    case Why::kDefault:
      break;
  }
  return "default";
}

struct Options {
  std::optional<std::u16string> ini;
  bool defaults = false;
  std::vector<std::pair<std::u16string, std::u16string>> sets;
  conversion::RunOptions run;
  bool output_given = false;  // --output-encoding, which wins over the settings file's OUTPUT
  bool show_encoding = false;
  std::vector<std::u16string> files;
  // Many files at once.
  std::optional<std::u16string> output_folder;
  bool recursive = false;
  bool progress = false;
  ManyOptions many;
};

// The value of -j: a count from 1 to 1024.
std::optional<unsigned> JobCount(std::u16string_view text) {
  unsigned n = 0;
  if (text.empty() || text.size() > 4) return std::nullopt;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  if (n < 1 || n > 1024) return std::nullopt;
  return n;
}

std::string U8(std::u16string_view s) {
  return platform::EncodeUtf8(s);
}

int UsageError(std::ostream& err, const std::string& message) {
  err << "quillmere: " << message << "\n\n" << kUsageText;
  return kUsage;
}

// The form with -o: the list made (and checked) before anything is
// converted, the output folder made, then the files converted.
int RunMany(const clsQuillmere& converter, Options& opt, std::ostream& err, bool err_is_terminal) {
  std::u16string error;
  const std::optional<conversion::FileList> list =
      conversion::ListFiles(opt.files, *opt.output_folder, opt.recursive, error);
  if (!list) {
    err << "quillmere: " << U8(error) << "\n";
    return kFiles;
  }
  if (!platform::CreateFolders(*opt.output_folder)) {
    err << "quillmere: " << U8(conversion::FolderUnmade(*opt.output_folder)) << "\n";
    return kFiles;
  }
  opt.many.run = opt.run;
  opt.many.status_line = err_is_terminal || opt.progress;
  platform::CatchInterrupts();
  const int code = ConvertMany(converter, *list, opt.many, err);
  platform::WoundDown();
  return code;
}

}  // namespace

int RunBatch(const std::vector<std::u16string>& args, const std::u16string& default_ini,
             std::istream& in, std::ostream& out, std::ostream& err, bool err_is_terminal) {
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
    } else if (a == u"--show-encoding") {
      opt.show_encoding = true;
    } else if (a == u"-r") {
      opt.recursive = true;
    } else if (a == u"--no-clobber") {
      opt.many.no_clobber = true;
    } else if (a == u"-q") {
      opt.many.quiet = true;
    } else if (a == u"--progress") {
      opt.progress = true;
    } else if (a == u"--readable") {
      for (std::u16string_view key : kReadableKeys) opt.sets.emplace_back(key, u"1");
    } else if (a == u"--main") {
      opt.sets.emplace_back(u"MAIN", u"1");
    } else if (a == u"--ini" || a == u"--set" || a == u"--input-encoding" ||
               a == u"--output-encoding" || a == u"--width" || a == u"-o" || a.starts_with(u"-j")) {
      const bool attached = a.starts_with(u"-j") && a.size() > 2;  // -jN
      if (!attached && i + 1 == args.size())
        return UsageError(err, U8(a) + " の後に値がありません。");
      const std::u16string v = attached ? a.substr(2) : args[++i];
      if (a == u"-o") {
        opt.output_folder = v;
        continue;
      }
      if (a.starts_with(u"-j")) {
        const std::optional<unsigned> jobs = JobCount(v);
        if (!jobs) return UsageError(err, "-j には 1 から 1024 までの数を指定します。");
        opt.many.jobs = *jobs;
        continue;
      }
      if (a == u"--ini") {
        opt.ini = v;
        continue;
      }
      if (a == u"--width") {  // checked as WIDTH's value is
        opt.sets.emplace_back(u"WIDTH", v);
        continue;
      }
      if (a == u"--input-encoding") {
        const auto* found = std::find_if(std::begin(kInputEncodings), std::end(kInputEncodings),
                                         [&](const EncodingName& e) { return e.name == v; });
        if (found != std::end(kInputEncodings))
          opt.run.input = found->encoding;
        else if (v != u"auto")
          return UsageError(err, "入力の文字コード " + U8(v) + " はありません。");
        else
          opt.run.input.reset();
        continue;
      }
      if (a == u"--output-encoding") {
        const std::optional<conversion::OutputChoice> choice = conversion::OutputChoiceNamed(v);
        if (!choice) return UsageError(err, "出力の文字コード " + U8(v) + " はありません。");
        opt.run.output = *choice;
        opt.output_given = true;
        continue;
      }
      auto eq = v.find(u'=');
      if (eq == std::u16string::npos)
        return UsageError(err, "--set は KEY=VALUE の形で指定します。");
      std::u16string key = v.substr(0, eq);
      if (clsQuillmere().GetValue(key).empty())
        return UsageError(err, "設定項目 " + U8(key) + " はありません。");
      opt.sets.emplace_back(key, v.substr(eq + 1));
    } else {
      return UsageError(err, "不明なオプションです: " + U8(a));
    }
  }
  if (opt.ini && opt.defaults)
    return UsageError(err, "--ini と --defaults は同時に指定できません。");
  const bool many = opt.output_folder.has_value();
  if (many && opt.files.empty()) return UsageError(err, "INPUT を指定してください。");
  if (many && std::find(opt.files.begin(), opt.files.end(), u"-") != opt.files.end())
    return UsageError(err, "-o と一緒に標準入力 \"-\" は使えません。");
  if (!many && (opt.recursive || opt.progress || opt.many.no_clobber || opt.many.quiet ||
                opt.many.jobs != 0))
    return UsageError(err, "-r -j --no-clobber -q --progress は -o と一緒に使います。");
  if (!many && opt.files.size() != 2)
    return UsageError(err, "INPUT と OUTPUT を指定してください。");

  clsQuillmere converter;
  try {
    if (opt.defaults) {
      converter.UseFallbacks();
    } else if (!converter.Initialize(opt.ini.value_or(default_ini))) {
      err << "quillmere: Initializeファイル読み込みエラー (" << U8(opt.ini.value_or(default_ini))
          << ")\n";
      return kSettings;
    }
    for (const auto& [key, value] : opt.sets) converter.SetValue(key, value);
    if (!opt.defaults && !opt.output_given) {
      const std::u16string& ini = opt.ini.value_or(default_ini);
      const std::optional<conversion::OutputChoice> choice = conversion::ReadOutputChoice(ini);
      if (!choice) {
        err << "quillmere: " << U8(ini) << " の OUTPUT の値 "
            << U8(conversion::ReadTextSettings(ini).output)
            << " は出力の文字コードではありません (same ansi utf-8 utf-8-bom shift_jis "
               "utf-16le)\n";
        return kSettings;
      }
      opt.run.output = *choice;
    }
  } catch (const engine::OverflowError& e) {
    err << "quillmere: " << e.what() << "\n";
    return kSettings;
  } catch (const engine::TypeMismatchError& e) {
    err << "quillmere: " << e.what() << "\n";
    return kSettings;
  }

  if (many) return RunMany(converter, opt, err, err_is_terminal);

  const std::u16string& input = opt.files[0];
  const std::u16string& output = opt.files[1];
  std::unique_ptr<platform::FileReader> file;
  if (input != u"-") {
    const std::string failure =
        U8(conversion::OpenInput(input, output == u"-" ? u"" : output, file));
    if (!failure.empty()) {
      err << "quillmere: " << failure << "\n";
      return kFiles;
    }
  }
  auto read = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
    if (file) return file->Read(buffer, size);
    in.read(buffer, static_cast<std::streamsize>(size));
    return in.bad() ? -1 : static_cast<std::ptrdiff_t>(in.gcount());
  };
  conversion::RunResult result;
  conversion::RunOptions run = opt.run;
  run.saved_page = conversion::IsSavedPageName(input);
  run.file = file.get();
  if (output == u"-") {
    result = conversion::ConvertStream(
        converter, read,
        [&](std::string_view bytes) {
          out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
          return !out.fail();
        },
        run);
    if (result.status == conversion::RunResult::Status::kConverted && !out.flush())
      result.status = conversion::RunResult::Status::kUnwritable;
  } else {
    result = conversion::ConvertToFile(converter, read, output, run);
  }
  switch (result.status) {
    case conversion::RunResult::Status::kConverted:
      break;
    case conversion::RunResult::Status::kUnreadable:
      err << "quillmere: " << U8(conversion::InputUnreadable(input)) << "\n";
      return kFiles;
    case conversion::RunResult::Status::kNotSavedPage:
      err << "quillmere: " << U8(conversion::NotSavedPage(input)) << "\n";
      return kFiles;
    case conversion::RunResult::Status::kNoPage:
      err << "quillmere: " << U8(conversion::NoPageInSavedPage(input)) << "\n";
      return kFiles;
    case conversion::RunResult::Status::kUnwritable:
      if (output == u"-")
        err << "quillmere: 標準出力に書き込めませんでした。\n";
      else
        err << "quillmere: " << U8(conversion::OutputUnwritable(result.write_error, output))
            << "\n";
      return kFiles;
  }
  if (opt.show_encoding) {
    const auto* name =
        std::find_if(std::begin(kInputEncodings), std::end(kInputEncodings),
                     [&](const EncodingName& e) { return e.encoding == result.input.encoding; });
    err << "input: " << U8(name->name) << " (" << WhyName(result.input.why) << ")\n";
  }
  if (result.lost > 0) err << "quillmere: " << U8(conversion::CharactersLost(result.lost)) << "\n";
  return kSuccess;
}

}  // namespace cli
