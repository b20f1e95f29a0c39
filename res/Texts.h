#pragma once
// The program's own texts, as Shift-JIS (code page 932) bytes; each is shown in UTF-8 above it.
// Made with scripts/sjis-literal.

#include "res/Version.h"

// The program-wide version text: banner, settings check and about box. Stored settings are valid only
// under the version text that wrote them.
inline constexpr char kVersionText[] = "Version " VX_VERSION_STRING;

// "画面調整..." (screen adjustment)
inline constexpr char kTextMenuAdjust[] = "\x89\xE6\x96\xCA\x92\xB2\x90\xAE...";
// "ﾌｫﾝﾄ..." (font)
inline constexpr char kTextMenuFont[] = "\xCC\xAB\xDD\xC4...";
// "色..." (colours)
inline constexpr char kTextMenuColour[] = "\x90" "F...";
// "初期値に戻す" (restore the initial values)
inline constexpr char kTextMenuReset[] = "\x8F\x89\x8A\xFA\x92l\x82\xC9\x96\xDF\x82\xB7";
// "ﾊﾞｰｼﾞｮﾝ情報..." (version information)
inline constexpr char kTextMenuAbout[] = "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1...";
// "ｺﾏﾝﾄﾞﾌﾟﾛﾝﾌﾟﾄの起動に失敗しました!" (starting the command prompt failed!)
inline constexpr char kTextStartFailed[] = "\xBA\xCF\xDD\xC4\xDE\xCC\xDF\xDB\xDD\xCC\xDF\xC4\x82\xCC\x8BN\x93\xAE\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD!";
// "%Cドライブは無効です! " (drive %C is invalid! (a printf format: %C takes the drive letter))
inline constexpr char kTextDriveInvalid[] = "%C\x83h\x83\x89\x83" "C\x83u\x82\xCD\x96\xB3\x8C\xF8\x82\xC5\x82\xB7! ";
// "その他..." (other colours)
inline constexpr char kTextMoreColours[] = "\x82\xBB\x82\xCC\x91\xBC...";
// "ＭＳ Ｐ明朝" (the screen's default face)
inline constexpr char kFaceMinchoP[] = "\x82l\x82r \x82o\x96\xBE\x92\xA9";
// "ＭＳ Ｐゴシック" (the dialogs' face)
inline constexpr char kFaceGothicP[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";
// "ｺﾏﾝﾄﾞﾌﾟﾛﾝﾌﾟﾄを再起動しました" (the command prompt was restarted)
inline constexpr char kTextRestarted[] = "\xBA\xCF\xDD\xC4\xDE\xCC\xDF\xDB\xDD\xCC\xDF\xC4\x82\xF0\x8D\xC4\x8BN\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// "入力が溜まりすぎています: この行は送りませんでした" (too much input is waiting: this line was not sent)
inline constexpr char kTextInputFull[] = "\x93\xFC\x97\xCD\x82\xAA\x97\xAD\x82\xDC\x82\xE8\x82\xB7\x82\xAC\x82\xC4\x82\xA2\x82\xDC\x82\xB7: \x82\xB1\x82\xCC\x8Ds\x82\xCD\x91\x97\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD";
// "N 行を貼り付けて実行しますか?" (run the N pasted lines?): asked before more than five pasted lines are
// sent; the count goes before it
inline constexpr char kTextPasteAsk[] = " \x8Ds\x82\xF0\x93\x5C\x82\xE8\x95t\x82\xAF\x82\xC4\x8E\xC0\x8Ds\x82\xB5\x82\xDC\x82\xB7\x82\xA9?";
// "貼り付けが 1 MiB を超えています: 何も送りませんでした" (the paste is over 1 MiB: nothing was sent)
inline constexpr char kTextPasteTooLarge[] = "\x93\x5C\x82\xE8\x95t\x82\xAF\x82\xAA 1 MiB \x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7: \x89\xBD\x82\xE0\x91\x97\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD";
// "^C": shown where a running program was stopped with Ctrl+C or Ctrl+Break
inline constexpr char kTextStopEcho[] = "^C";
// "▼ この下に " and " 行  (Ctrl+Shift+End で最新の行へ)": around the count of the lines below a view that
// has been scrolled back ("there are N more lines below; Ctrl+Shift+End goes to the newest line")
inline constexpr char kTextBelowBefore[] = "\x81\xA5 \x82\xB1\x82\xCC\x89\xBA\x82\xC9 ";
inline constexpr char kTextBelowAfter[] = " \x8Ds  (Ctrl+Shift+End \x82\xC5\x8D\xC5\x90V\x82\xCC\x8Ds\x82\xD6)";
// "検索" (find): the find bar's label
inline constexpr char kTextFind[] = "\x8C\x9F\x8D\xF5";
// " 件" (matches): after "3 / 17" in the find bar
inline constexpr char kTextFindCount[] = " \x8C\x8F";
// "見つかりません" (not found)
inline constexpr char kTextNotFound[] = "\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
