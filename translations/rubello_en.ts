<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Rubello</translation>
    </message>
</context>
<context>
    <name>DocumentCommands</name>
    <message>
        <source> (更新)</source>
        <translation> (modified)</translation>
    </message>
    <message>
        <source>&#x3000;の内容は更新されています。</source>
        <translation> has been modified.</translation>
    </message>
    <message>
        <source>保存しますか？</source>
        <translation>Do you want to save it?</translation>
    </message>
    <message>
        <source>ファイルを開く</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>読み込んでいます...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>本文の宣言（%1）はファイルの中身と合わないため、%2 として読み込みました。</source>
        <translation>The declaration in the text (%1) does not match the file&apos;s contents, so it was read as %2.</translation>
    </message>
    <message>
        <source>保存すると %1 バイトになり、このプログラムで開ける大きさ（%2 バイトまで）を超えます。</source>
        <translation>Saved, the file would be %1 bytes, more than this program can open (up to %2 bytes).</translation>
    </message>
    <message>
        <source>&#x3000;は読み取り専用です。</source>
        <translation> is read-only.</translation>
    </message>
    <message>
        <source>上書きしますか？</source>
        <translation>Do you want to overwrite it?</translation>
    </message>
    <message>
        <source>&#x3000;は削除されたか、移動されました。</source>
        <translation> has been deleted or moved.</translation>
    </message>
    <message>
        <source>作成し直しますか？</source>
        <translation>Do you want to create it again?</translation>
    </message>
    <message>
        <source>作成し直す</source>
        <translation>Create Again</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&#x3000;は他のプログラムによって変更されています。</source>
        <translation> has been changed by another program.</translation>
    </message>
    <message>
        <source>上書き</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>保存しない</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>&#x3000;は他のプログラムによって変更されました。</source>
        <translation> was changed by another program.</translation>
    </message>
    <message>
        <source>読み込み直しますか？</source>
        <translation>Do you want to reload it?</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>本文の文字コードの宣言（%1）が、保存する文字コード（%2）と違います。</source>
        <translation>The encoding declared in the text (%1) differs from the encoding it is saved in (%2).</translation>
    </message>
    <message>
        <source>宣言を直して保存しますか？</source>
        <translation>Do you want to correct the declaration and save?</translation>
    </message>
    <message>
        <source>宣言を直す</source>
        <translation>Correct Declaration</translation>
    </message>
    <message>
        <source>このまま保存</source>
        <translation>Save As It Is</translation>
    </message>
    <message>
        <source>変更を捨てて、%1 で開き直しますか？</source>
        <translation>Discard the changes and reopen it as %1?</translation>
    </message>
    <message>
        <source>文字コードを %1 に変換し、宣言 %2 か所を書き換えました。</source>
        <translation>Converted to %1 and rewrote %2 declaration(s).</translation>
    </message>
    <message>
        <source>文字コードを %1 に変換しました。</source>
        <translation>Converted to %1.</translation>
    </message>
    <message>
        <source>%1 には、保存されずに終わった内容が残っています。</source>
        <translation>Text of %1 that was never saved has been kept.</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>いまの内容と同じです。</source>
        <translation>It is the same as the current text.</translation>
    </message>
    <message>
        <source>残っている内容は %1 行、いまの内容は %2 行で、%3 行目から違います。</source>
        <translation>The kept text has %1 lines, the current text %2; they differ from line %3.</translation>
    </message>
    <message>
        <source>残っている内容を開きますか？</source>
        <translation>Do you want to open the kept text?</translation>
    </message>
    <message>
        <source>名前のない文書</source>
        <translation>Untitled document</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>後で</source>
        <translation>Later</translation>
    </message>
</context>
<context>
    <name>DriveList</name>
    <message>
        <source>ホーム</source>
        <translation>Home</translation>
    </message>
</context>
<context>
    <name>EditorCommands</name>
    <message>
        <source>検索終了</source>
        <translation>Search Finished</translation>
    </message>
    <message>
        <source>文書の検索が終わりました。</source>
        <translation>The search of the document is finished.</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>フォルダーです (-r で中のページに振ります)。</source>
        <translation>Is a folder (-r adds ruby to the pages in it).</translation>
    </message>
    <message>
        <source>リンクがたどってきたフォルダーに戻ります。</source>
        <translation>A link leads back to a folder already walked.</translation>
    </message>
    <message>
        <source>指定したフォルダーの外へのリンクです (たどりません)。</source>
        <translation>A link out of the folders named (not followed).</translation>
    </message>
    <message>
        <source>名前付きパイプ</source>
        <translation>a named pipe</translation>
    </message>
    <message>
        <source>ソケット</source>
        <translation>a socket</translation>
    </message>
    <message>
        <source>デバイス</source>
        <translation>a device</translation>
    </message>
    <message>
        <source>特殊なファイル</source>
        <translation>a special file</translation>
    </message>
    <message>
        <source>%1 バイト</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>開けるのは %1 バイトまで</source>
        <translation>files up to %1 bytes can be opened</translation>
    </message>
    <message>
        <source>ファイルが大きすぎるため開けません（%1）。</source>
        <translation>The file is too large to open (%1).</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>ファイルは読み込まれていません。</source>
        <translation>The file was not loaded.</translation>
    </message>
    <message>
        <source>ファイルは書き込まれていません。</source>
        <translation>The file was not written.</translation>
    </message>
    <message>
        <source>メモリが足りないため、書き込めません。</source>
        <translation>There is not enough memory to write the file.</translation>
    </message>
    <message>
        <source>メモリが足りないため、このファイルを開けません。</source>
        <translation>There is not enough memory to open this file.</translation>
    </message>
    <message>
        <source>文字コード %1 はこのシステムでは使えません。</source>
        <translation>The encoding %1 is not available on this system.</translation>
    </message>
    <message>
        <source>文字コード %1 の文字として読めないバイトがあります（オフセット %2）。</source>
        <translation>The file has bytes that are not text in the encoding %1 (at offset %2).</translation>
    </message>
    <message>
        <source>テキストではないファイルは開けません（先頭の 8 KB に NUL バイトがあります）。</source>
        <translation>A file that is not text cannot be opened (there are NUL bytes in its first 8 KB).</translation>
    </message>
    <message>
        <source>UTF-8 として読めないバイトはオフセット %1。</source>
        <translation> The first byte that is not UTF-8 is at offset %1.</translation>
    </message>
    <message>
        <source>どの文字コードでも読めないファイルです（試した文字コード：%1）。</source>
        <translation>The file cannot be read in any encoding (tried: %1).</translation>
    </message>
    <message>
        <source>%1 行目の文字 %2 は文字コード %3 で読めても書き戻せません。</source>
        <translation>The character %2 on line %1 can be read in the encoding %3 but cannot be written back in it.</translation>
    </message>
    <message>
        <source>%1 行目の文字 %2 は文字コード %3 で表せません。</source>
        <translation>The character %2 on line %1 cannot be written in the encoding %3.</translation>
    </message>
    <message>
        <source>%1 は通常のファイルではありません（%2）。</source>
        <translation>%1 is not a regular file (it is %2).</translation>
    </message>
    <message>
        <source>開けるのは通常のファイルだけです。</source>
        <translation>Only regular files can be opened.</translation>
    </message>
    <message>
        <source>このファイル名は文字として正しく読めないため、開くことも保存することもできません。</source>
        <translation>This file name cannot be read as text, so the file can be neither opened nor saved.</translation>
    </message>
    <message>
        <source>%1&#x3000;は他のプログラムによって変更されています。</source>
        <translation>%1 has been changed by another program.</translation>
    </message>
    <message>
        <source>空き容量が足りないため、ファイルは書き込まれていません。</source>
        <translation>There is not enough free space, so the file was not written.</translation>
    </message>
    <message>
        <source>元のファイルの写しを作れなかったため、ファイルは書き込まれていません。</source>
        <translation>No copy of the original file could be made, so the file was not written.</translation>
    </message>
    <message>
        <source>ファイルは元のままです。</source>
        <translation>The file is unchanged.</translation>
    </message>
    <message>
        <source>元のファイルの写しは %1 に残してあります。</source>
        <translation>A copy of the original file was kept as %1.</translation>
    </message>
    <message>
        <source>見つかりません。</source>
        <translation>Not found.</translation>
    </message>
    <message>
        <source>アクセスが許可されていません。</source>
        <translation>Permission denied.</translation>
    </message>
    <message>
        <source>通常のファイルではありません。</source>
        <translation>Not a regular file.</translation>
    </message>
    <message>
        <source>大きすぎます。</source>
        <translation>Too large.</translation>
    </message>
    <message>
        <source>ディスクの空きが足りません。</source>
        <translation>There is not enough free disk space.</translation>
    </message>
    <message>
        <source>読み込めませんでした。</source>
        <translation>Could not be read.</translation>
    </message>
    <message>
        <source>書き込めませんでした。</source>
        <translation>Could not be written.</translation>
    </message>
    <message>
        <source>ファイルがほかのプログラムで変更されています。</source>
        <translation>The file has been changed by another program.</translation>
    </message>
    <message>
        <source>文字コードが合いません。</source>
        <translation>The encoding does not match.</translation>
    </message>
    <message>
        <source>読みの辞書を開けません。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ mecab-ipadic-utf8) が見つかりません。</source>
        <translation>The reading dictionary cannot be opened: MeCab&apos;s IPADIC dictionary (the UTF-8 edition, package mecab-ipadic-utf8) was not found.</translation>
    </message>
    <message>
        <source>読みの辞書 %1 の形式が分からないため、読みを取り出せません。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ mecab-ipadic-utf8) を入れてください。</source>
        <translation>The reading dictionary %1 is in a format this program does not know, so no readings can be taken from it. Please install MeCab&apos;s IPADIC dictionary (the UTF-8 edition, package mecab-ipadic-utf8).</translation>
    </message>
    <message>
        <source>読みの辞書 %1 の文字コードが UTF-8 ではありません (%2)。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ mecab-ipadic-utf8) を使ってください。</source>
        <translation>The reading dictionary %1 is not in UTF-8 (%2). Please use MeCab&apos;s IPADIC dictionary (the UTF-8 edition, package mecab-ipadic-utf8).</translation>
    </message>
    <message>
        <source>漢字の読みの辞書 %1 を開けません (パッケージ kanjidic): %2</source>
        <translation>The kanji reading dictionary %1 cannot be opened (package kanjidic): %2</translation>
    </message>
    <message>
        <source>漢字の読みの辞書 %1 に読みがありません。</source>
        <translation>The kanji reading dictionary %1 holds no readings.</translation>
    </message>
    <message>
        <source>読みを調べられませんでした。</source>
        <translation>The reading could not be looked up.</translation>
    </message>
    <message>
        <source>ファイルが壊れています。</source>
        <translation>The file is damaged.</translation>
    </message>
    <message>
        <source>書き込みが禁止されています。</source>
        <translation>Writing is not allowed.</translation>
    </message>
    <message>
        <source>ほかのプログラムが使用中です。</source>
        <translation>Another program is using it.</translation>
    </message>
    <message>
        <source>メモリが足りません。</source>
        <translation>There is not enough memory.</translation>
    </message>
    <message>
        <source>ファイル名を文字として正しく読めません。</source>
        <translation>The file name cannot be read as text.</translation>
    </message>
    <message>
        <source>大きすぎます</source>
        <translation>too large</translation>
    </message>
    <message>
        <source>UTF-8 ではありません</source>
        <translation>not UTF-8</translation>
    </message>
    <message>
        <source>%1 行目</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>読みの修正ファイル %1 を読めないため、使わずに続けます (%2)。</source>
        <translation>The file of corrected readings %1 cannot be read, so the program goes on without it (%2).</translation>
    </message>
    <message>
        <source>フォルダーを作れません: </source>
        <translation>The folder cannot be created: </translation>
    </message>
    <message>
        <source>書き込みが禁止されています: </source>
        <translation>Writing is not allowed: </translation>
    </message>
    <message>
        <source>読みの修正ファイルが使用中です: </source>
        <translation>The file of corrected readings is in use: </translation>
    </message>
    <message>
        <source>クリップボードに書き込めませんでした。</source>
        <translation>Could not write to the clipboard.</translation>
    </message>
    <message>
        <source>プレビューファイルの場所に、自分の通常のファイルではないもの（リンク、フォルダー、ほかのユーザーのファイルなど）があるため、書き込みませんでした。</source>
        <translation>The preview file was not written: something other than your own regular file (a link, a folder, another user&apos;s file...) is in its place.</translation>
    </message>
    <message>
        <source>プレビュー用のフォルダーが、自分のフォルダーではありません（リンクまたはほかのユーザーのもの）。</source>
        <translation>The preview folder is not your own folder (it is a link or belongs to another user).</translation>
    </message>
    <message>
        <source>%1 行目の文字 %2 は文字コード %3 で表せないため、変換できません。</source>
        <translation>The character %2 on line %1 cannot be written in the encoding %3, so the text cannot be converted.</translation>
    </message>
    <message>
        <source>「%1」(%2)</source>
        <translation>&quot;%1&quot; (%2)</translation>
    </message>
    <message>
        <source>%1 はフォルダーです。</source>
        <translation>%1 is a folder.</translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation>File Not Found</translation>
    </message>
    <message>
        <source>アクセスが許可されていません</source>
        <translation>Access Denied</translation>
    </message>
    <message>
        <source>フォルダーです</source>
        <translation>Is a Folder</translation>
    </message>
    <message>
        <source>フォルダーではありません</source>
        <translation>Not a Folder</translation>
    </message>
    <message>
        <source>ディスクの空きが足りません</source>
        <translation>Not Enough Disk Space</translation>
    </message>
    <message>
        <source>書き込みが禁止されています</source>
        <translation>Writing Not Allowed</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>File Too Large</translation>
    </message>
    <message>
        <source>ほかのプログラムが使用中です</source>
        <translation>In Use by Another Program</translation>
    </message>
    <message>
        <source>読み書きに失敗しました</source>
        <translation>Input/Output Error</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます</source>
        <translation>File Name Too Long</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Out of Memory</translation>
    </message>
    <message>
        <source>ファイルが変更されています</source>
        <translation>File Has Changed</translation>
    </message>
    <message>
        <source>文字コードが合いません</source>
        <translation>Wrong Encoding</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>読みの修正ファイル %1 が壊れているため、修正を保存していません。修正はこのウィンドウを閉じるまで使います。</source>
        <translation>The file of corrected readings %1 is damaged, so the correction was not saved. It is used until this window is closed.</translation>
    </message>
    <message>
        <source>この語の読みは記憶できません: </source>
        <translation>The reading of this word cannot be remembered: </translation>
    </message>
    <message>
        <source>名前や珍しい語の読みの一覧 %1 に語がありません。読みは一覧なしで振ります。</source>
        <translation>The list of readings of names and rare words %1 holds no words. Readings are made without it.</translation>
    </message>
    <message>
        <source>名前や珍しい語の読みの一覧 %1 を開けません (パッケージ skkdic): %2。読みは一覧なしで振ります。</source>
        <translation>The list of readings of names and rare words %1 cannot be opened (package skkdic): %2. Readings are made without it.</translation>
    </message>
</context>
<context>
    <name>FileBrowser</name>
    <message>
        <source>HTMLファイルのみ表示</source>
        <translation>Show HTML files only</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>ルビの文字形式</source>
        <translation>Ruby script</translation>
    </message>
    <message>
        <source>全角 カタカナ</source>
        <translation>Katakana</translation>
    </message>
    <message>
        <source>全角 ひらがな</source>
        <translation>Hiragana</translation>
    </message>
    <message>
        <source>半角 ｶﾀｶﾅ</source>
        <translation>Half-width ｶﾅ</translation>
    </message>
    <message>
        <source>ローマ字</source>
        <translation>Romaji</translation>
    </message>
    <message>
        <source>ローマ字の長音</source>
        <translation>Long vowels in romaji</translation>
    </message>
    <message>
        <source>送り仮名を省略</source>
        <translation>Omit okurigana</translation>
    </message>
    <message>
        <source>ブラウザで確認</source>
        <translation>Preview in Browser</translation>
    </message>
    <message>
        <source>ファイル (&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成 (&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>開く (&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>上書き保存 (&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>名前を付けて保存 (&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>最近使ったファイル (&amp;R)</source>
        <translation>&amp;Recent Files</translation>
    </message>
    <message>
        <source>終了 (&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集 (&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>るびぃ (&amp;R)</source>
        <translation>&amp;Ruby</translation>
    </message>
    <message>
        <source>ページ全体にルビ (&amp;B)...</source>
        <translation>Ruby for the Whole &amp;Page...</translation>
    </message>
    <message>
        <source>漢字ごとに振る (&amp;K)</source>
        <translation>Ruby for Each &amp;Kanji</translation>
    </message>
    <message>
        <source>ルビを外す (&amp;H)</source>
        <translation>Remove Ru&amp;by</translation>
    </message>
    <message>
        <source>元に戻す (&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し (&amp;Y)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>切り取り (&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>コピー (&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>貼り付け (&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>削除 (&amp;L)</source>
        <translation>De&amp;lete</translation>
    </message>
    <message>
        <source>すべて選択 (&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>検索 (&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>検索と置換 (&amp;F)...</source>
        <translation>&amp;Find and Replace...</translation>
    </message>
    <message>
        <source>書式 (&amp;O)</source>
        <translation>F&amp;ormat</translation>
    </message>
    <message>
        <source>文字色 (&amp;M)</source>
        <translation>Text Colo&amp;r</translation>
    </message>
    <message>
        <source>背景色 (&amp;B)</source>
        <translation>&amp;Background Colour</translation>
    </message>
    <message>
        <source>読みの修正のフォルダーを開く (&amp;Y)</source>
        <translation>Open the Folder of Corrected Readin&amp;gs</translation>
    </message>
    <message>
        <source>ヘルプ (&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン情報 (&amp;A)...</source>
        <translation>&amp;About Rubello...</translation>
    </message>
    <message>
        <source>未保存の内容を %1 に残しました。</source>
        <translation>The unsaved text was kept in %1.</translation>
    </message>
    <message>
        <source>印刷 (&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>次を検索 (&amp;N)</source>
        <translation>Find &amp;Next</translation>
    </message>
    <message>
        <source>前を検索 (&amp;P)</source>
        <translation>Find &amp;Previous</translation>
    </message>
    <message>
        <source>拡大 (&amp;I)</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>縮小 (&amp;D)</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>元の大きさ (&amp;0)</source>
        <translation>&amp;Original Size</translation>
    </message>
    <message>
        <source>HTMLの色分け (&amp;H)</source>
        <translation>&amp;HTML Colours</translation>
    </message>
    <message>
        <source>新規文書の改行 (&amp;N)</source>
        <translation>Line End of &amp;New Documents</translation>
    </message>
    <message>
        <source>改行混在</source>
        <translation>Mixed line ends</translation>
    </message>
    <message>
        <source>文字コード (&amp;C)</source>
        <translation>En&amp;coding</translation>
    </message>
    <message>
        <source>指定した文字コードで開き直す (&amp;R)</source>
        <translation>&amp;Reopen with Encoding</translation>
    </message>
    <message>
        <source>文字コードを変換 (&amp;V)</source>
        <translation>Con&amp;vert to Encoding</translation>
    </message>
    <message>
        <source>%1 行、%2 列</source>
        <translation>Line %1, column %2</translation>
    </message>
    <message>
        <source>ブラウザが見つからないため、表示できません。</source>
        <translation>No web browser was found, so the page cannot be shown.</translation>
    </message>
    <message>
        <source>確認用のファイル: </source>
        <translation>Preview file: </translation>
    </message>
    <message>
        <source>パスをコピー (&amp;C)</source>
        <translation>&amp;Copy Path</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>フォント (&amp;F)...</source>
        <translation>&amp;Font...</translation>
    </message>
    <message>
        <source>印刷プレビュー (&amp;V)...</source>
        <translation>Print Pre&amp;view...</translation>
    </message>
    <message>
        <source>行番号 (&amp;L)</source>
        <translation>&amp;Line Numbers</translation>
    </message>
    <message>
        <source>右端で折り返す (&amp;W)</source>
        <translation>&amp;Wrap at the Right Edge</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>プレビューの設定 (&amp;W)</source>
        <translation>Previe&amp;w Settings</translation>
    </message>
    <message>
        <source>ページのスクリプトを実行する (&amp;J)</source>
        <translation>Run the Page&apos;s &amp;JavaScript</translation>
    </message>
    <message>
        <source>ネットワーク上の画像などを読み込む (この間だけ) (&amp;N)</source>
        <translation>Load Images and Other Files from the &amp;Network (This Session Only)</translation>
    </message>
    <message>
        <source>プレビューを表示できません。</source>
        <translation>The preview cannot be shown.</translation>
    </message>
    <message>
        <source>管理者 (root) として動いているため、描画エンジンを起動できません。</source>
        <translation>The rendering engine cannot start while the editor runs as the administrator (root).</translation>
    </message>
    <message>
        <source>語全体に振る (&amp;W)</source>
        <translation>Ruby over the &amp;Whole Word</translation>
    </message>
</context>
<context>
    <name>PreviewPane</name>
    <message>
        <source>プレビューの表示処理が止まりました。</source>
        <translation>The preview&apos;s display process has stopped.</translation>
    </message>
    <message>
        <source>プレビューを再開 (&amp;R)</source>
        <translation>&amp;Restart Preview</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QtPlatformServices</name>
    <message>
        <source>HTMLファイル (*.html *.htm *.xhtml)</source>
        <translation>HTML files (*.html *.htm *.xhtml)</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>RubyCommands</name>
    <message>
        <source>タグの中 (またはタグをまたぐ範囲)</source>
        <translation>inside a tag (or spans a tag)</translation>
    </message>
    <message>
        <source>属性値の中</source>
        <translation>inside an attribute value</translation>
    </message>
    <message>
        <source>コメントの中</source>
        <translation>inside a comment</translation>
    </message>
    <message>
        <source>&lt;!...&gt; の中</source>
        <translation>inside &lt;!...&gt;</translation>
    </message>
    <message>
        <source>&lt;script&gt; の中</source>
        <translation>inside &lt;script&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; の中</source>
        <translation>inside &lt;style&gt;</translation>
    </message>
    <message>
        <source>&lt;title&gt; の中</source>
        <translation>inside &lt;title&gt;</translation>
    </message>
    <message>
        <source>&lt;textarea&gt; の中</source>
        <translation>inside &lt;textarea&gt;</translation>
    </message>
    <message>
        <source>&lt;xmp&gt; &lt;iframe&gt; &lt;noscript&gt; など、中がタグとして読まれない要素の中</source>
        <translation>inside an element whose content is not read as tags (&lt;xmp&gt;, &lt;iframe&gt;, &lt;noscript&gt;...)</translation>
    </message>
    <message>
        <source>SVG か MathML の中</source>
        <translation>inside SVG or MathML</translation>
    </message>
    <message>
        <source>&lt;select&gt; か &lt;datalist&gt; の中</source>
        <translation>inside &lt;select&gt; or &lt;datalist&gt;</translation>
    </message>
    <message>
        <source>表の中のセルの外</source>
        <translation>inside a table but outside its cells</translation>
    </message>
    <message>
        <source>選択範囲は%1です。ここにルビを入れるとページが壊れるので、ルビを振りません。</source>
        <translation>The selection is %1. Ruby there would break the page, so none is added.</translation>
    </message>
    <message>
        <source>ルビを振る語を探しています...</source>
        <translation>Looking for words to annotate...</translation>
    </message>
    <message>
        <source>ページ全体にルビ</source>
        <translation>Ruby for the Whole Page</translation>
    </message>
    <message>
        <source>ルビを振る語がありません。</source>
        <translation>There are no words to annotate.</translation>
    </message>
    <message>
        <source>ルビを外す</source>
        <translation>Remove Ruby</translation>
    </message>
    <message>
        <source>選択範囲にルビがありません。</source>
        <translation>The selection has no ruby.</translation>
    </message>
    <message>
        <source>ルビがありません。</source>
        <translation>There is no ruby.</translation>
    </message>
    <message>
        <source>ルビを振る漢字を選択してから F5 を押してください。</source>
        <translation>Select the kanji to add ruby to, then press F5.</translation>
    </message>
</context>
<context>
    <name>RubyDialog</name>
    <message>
        <source>ルビの挿入</source>
        <translation>Insert Ruby</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ルビに属性を与える</source>
        <translation>Give the ruby an attribute</translation>
    </message>
    <message>
        <source>辞書にない語です。読みは推測です。</source>
        <translation>This word is not in the dictionary; the reading is a guess.</translation>
    </message>
    <message>
        <source>読みが空です。読みを入力してください。</source>
        <translation>The reading is empty. Please enter a reading.</translation>
    </message>
    <message>
        <source>読みが分かれる語です。確かめてください。</source>
        <translation>This word is read more than one way. Please check the reading.</translation>
    </message>
    <message>
        <source>読みが分かれる語です。ほかの読み: %1</source>
        <translation>This word is read more than one way. Other readings: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>RubyReviewDialog</name>
    <message>
        <source>推測</source>
        <translation>Guessed</translation>
    </message>
    <message>
        <source>語</source>
        <translation>Word</translation>
    </message>
    <message>
        <source>読み</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>回数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>ページ全体にルビ</source>
        <translation>Ruby for the Whole Page</translation>
    </message>
    <message>
        <source>すべての漢字</source>
        <translation>Every kanji</translation>
    </message>
    <message>
        <source>小2 以上</source>
        <translation>Grade 2 and up</translation>
    </message>
    <message>
        <source>小3 以上</source>
        <translation>Grade 3 and up</translation>
    </message>
    <message>
        <source>小4 以上</source>
        <translation>Grade 4 and up</translation>
    </message>
    <message>
        <source>小5 以上</source>
        <translation>Grade 5 and up</translation>
    </message>
    <message>
        <source>小6 以上</source>
        <translation>Grade 6 and up</translation>
    </message>
    <message>
        <source>中学以上</source>
        <translation>Secondary school and up</translation>
    </message>
    <message>
        <source>常用外</source>
        <translation>Outside the jōyō list</translation>
    </message>
    <message>
        <source>毎回</source>
        <translation>Every time</translation>
    </message>
    <message>
        <source>ページで最初だけ</source>
        <translation>First in the page only</translation>
    </message>
    <message>
        <source>見出しごとに最初だけ</source>
        <translation>First under each heading only</translation>
    </message>
    <message>
        <source>出現順</source>
        <translation>In page order</translation>
    </message>
    <message>
        <source>回数順</source>
        <translation>Most frequent first</translation>
    </message>
    <message>
        <source>推測を先に</source>
        <translation>Guessed first</translation>
    </message>
    <message>
        <source>絞り込み</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>修正を記憶する</source>
        <translation>Remember corrections</translation>
    </message>
    <message>
        <source>振る漢字:</source>
        <translation>Kanji to annotate:</translation>
    </message>
    <message>
        <source>%1 語、%2 か所。チェックを外した所には振りません。</source>
        <translation>%1 words, %2 places. Unticked places get no ruby.</translation>
    </message>
    <message>
        <source>ルビの挿入 (&amp;I)</source>
        <translation>&amp;Insert Ruby</translation>
    </message>
    <message>
        <source>キャンセル (&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>Space: チェック  Enter: 読みを直す  F3: 次の推測  F4: 本文で表示  Ctrl+Enter: ルビの挿入</source>
        <translation>Space: tick  Enter: correct the reading  F3: next guess  F4: show in the text  Ctrl+Enter: insert ruby</translation>
    </message>
    <message>
        <source>要確認</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>要確認 (%1?)</source>
        <translation>Check (%1?)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>辞書にない語です。読みは漢字ごとの読みから推測しました。</source>
        <translation>The word is not in the dictionary; its reading was guessed from the readings of its kanji.</translation>
    </message>
    <message>
        <source>解析によって読みが分かれ、前後の語からも決まりませんでした。</source>
        <translation>The analyses read this word in more than one way, and the words around it did not decide.</translation>
    </message>
    <message>
        <source>確かさ</source>
        <translation>Confidence</translation>
    </message>
    <message>
        <source>不確かなものを先に</source>
        <translation>Unsure first</translation>
    </message>
    <message>
        <source>すべての語</source>
        <translation>All words</translation>
    </message>
    <message>
        <source>要確認と推測だけ</source>
        <translation>Unsure and guessed only</translation>
    </message>
    <message>
        <source>推測だけ</source>
        <translation>Guessed only</translation>
    </message>
</context>
<context>
    <name>SearchDialog</name>
    <message>
        <source>検索と置換</source>
        <translation>Find and Replace</translation>
    </message>
    <message>
        <source>検索する文字列 (&amp;F)：</source>
        <translation>&amp;Find:</translation>
    </message>
    <message>
        <source>置換する文字列 (&amp;I)：</source>
        <translation>Replace w&amp;ith:</translation>
    </message>
    <message>
        <source>大/小文字、全/半角、カナ/ひらがなを区別する</source>
        <translation>Match case, width and katakana/hiragana</translation>
    </message>
    <message>
        <source>先頭から検索する</source>
        <translation>Search from the top</translation>
    </message>
    <message>
        <source>検索 (&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>Enterキー</source>
        <translation>Enter key</translation>
    </message>
    <message>
        <source>置換 (&amp;R)</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>全て置換 (&amp;A)</source>
        <translation>Replace &amp;All</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Escキー</source>
        <translation>Esc key</translation>
    </message>
    <message>
        <source>検索終了</source>
        <translation>Search Finished</translation>
    </message>
    <message>
        <source>文書の検索が終わりました。</source>
        <translation>The search of the document is finished.</translation>
    </message>
    <message>
        <source>置換しています...</source>
        <translation>Replacing...</translation>
    </message>
    <message>
        <source>置換も行う (&amp;P)</source>
        <translation>Re&amp;place as well</translation>
    </message>
    <message>
        <source>%1 か所を置換しました。</source>
        <translation>Replaced %1 occurrences.</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>使い方: rubello [オプション]... [ファイル]...
日本語 HTML のソースを編集し、ルビ（振り仮名）を付けます。
ファイルごとにウィンドウを開きます。

      --preview  プレビューを表示して開きます
  -h, --help     この説明を表示して終了します
      --version  バージョンを表示して終了します
</source>
        <translation>Usage: rubello [OPTION]... [FILE]...
Edits the source of Japanese HTML pages and adds ruby (furigana).
Opens a window for each file.

      --preview  open with the preview shown
  -h, --help     display this help and exit
      --version  output version information and exit
</translation>
    </message>
</context>
<context>
    <name>WindowSettings</name>
    <message>
        <source>&#x3000;は読み取り専用のため、設定は保存されません。</source>
        <translation> is read-only, so the settings will not be saved.</translation>
    </message>
    <message>
        <source>&#x3000;は設定ファイルとしては大きすぎるため、読み込みませんでした。</source>
        <translation> is too large for a settings file, so it was not read.</translation>
    </message>
    <message>
        <source>設定は保存されません。</source>
        <translation>The settings will not be saved.</translation>
    </message>
    <message>
        <source>&#x3000;の %1 行目が読めないため、設定は保存されません。</source>
        <translation>: line %1 cannot be read, so the settings will not be saved.</translation>
    </message>
    <message>
        <source>元の内容は %1 に残してあります。</source>
        <translation>Its original content was kept as %1.</translation>
    </message>
    <message>
        <source>最近使ったファイルの一覧から削除しました。</source>
        <translation>It was removed from the list of recent files.</translation>
    </message>
    <message>
        <source>このファイルは見つかりません。</source>
        <translation>This file cannot be found.</translation>
    </message>
</context>
<context>
    <name>rubello-reading</name>
    <message>
        <source>標準入力の各行 (UTF-8) の読みを、F5 と一括ルビと同じ読みの仕組みで出力します。
指定なしでは行全体の読みを全角カタカナで出力します。</source>
        <translation>Prints the reading of each line (UTF-8) of standard input, from the same reading engine as F5 and whole-page ruby.
Without options, the reading of the whole line is printed in full-width katakana.</translation>
    </message>
    <message>
        <source>行は「前の文&lt;TAB&gt;選択&lt;TAB&gt;後の文」。選択を文の中で読んだ読みを出力します</source>
        <translation>Lines are &quot;before&lt;TAB&gt;selection&lt;TAB&gt;after&quot;; prints the reading of the selection read in its sentence</translation>
    </message>
    <message>
        <source>--context と同じ入力から、読みの候補を提案順に TAB 区切りで出力します</source>
        <translation>From the same input as --context, prints the candidate readings, best first, separated by tabs</translation>
    </message>
    <message>
        <source>各行の漢字の並びを、一括ルビが読むとおり「漢字=よみ」(ひらがな) の空白区切りで出力します</source>
        <translation>Prints each kanji run of a line as whole-page ruby reads it, as &quot;kanji=reading&quot; (hiragana), separated by spaces</translation>
    </message>
    <message>
        <source>読みの修正ファイル (既定: %1)</source>
        <translation>The file of corrected readings (default: %1)</translation>
    </message>
    <message>
        <source>読みの修正ファイルを使いません</source>
        <translation>Do not use the file of corrected readings</translation>
    </message>
    <message>
        <source>読みの文字 (既定: katakana、--runs では hiragana)</source>
        <translation>Script of the readings (default: katakana; hiragana with --runs)</translation>
    </message>
    <message>
        <source>--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: </source>
        <translation>--kana is one of hiragana, katakana, halfwidth, romaji, romaji-ou: </translation>
    </message>
    <message>
        <source>入力が大きすぎます (%1 バイト)</source>
        <translation>The input is too large (%1 bytes)</translation>
    </message>
    <message>
        <source>入力を読めません (%1 行目)</source>
        <translation>The input cannot be read (line %1)</translation>
    </message>
    <message>
        <source>%1 行目が長すぎます (%2 バイトまで)</source>
        <translation>Line %1 is too long (up to %2 bytes)</translation>
    </message>
    <message>
        <source>--runs で、確かでない読みに ? (読みが割れる語)、推測した読みに ?? (辞書にない語) を付けます</source>
        <translation>With --runs, mark an uncertain reading with ? (a word read in more than one way) and a guessed reading with ?? (a word not in the dictionary)</translation>
    </message>
    <message>
        <source>読みの規則の段をひとつ外して読みます (評価用: okurigana, numbers, unknown, wordlist, homographs, joining, fixed, ranking, stated, user)</source>
        <translation>Read without one stage of the reading rules (for evaluation: okurigana, numbers, unknown, wordlist, homographs, joining, fixed, ranking, stated, user)</translation>
    </message>
    <message>
        <source>読みの規則の段 %1 はありません</source>
        <translation>there is no reading rule stage %1</translation>
    </message>
</context>
<context>
    <name>rubello-ruby</name>
    <message>
        <source>HTML ファイルの本文の漢字の語にルビを振ります。ファイルを省略すると標準入力を読み、
標準出力に書きます。ファイルとフォルダー (-r) をいくつでも渡せます。文字コードと改行は
エディターと同じように判定して保ちます。タグ、属性値、コメント、&lt;script&gt; &lt;style&gt;
&lt;textarea&gt; &lt;title&gt; &lt;code&gt; &lt;pre&gt; の中と既存の &lt;ruby&gt; 要素には振りません。</source>
        <translation>Adds ruby to the kanji words in the text of HTML files. Without files, reads standard input
and writes standard output. Any number of files and folders (-r) may be given. Encodings and
line ends are detected as the editor does and kept. Tags, attribute values, comments, &lt;script&gt;,
&lt;style&gt;, &lt;textarea&gt;, &lt;title&gt;, &lt;code&gt;, &lt;pre&gt; and existing &lt;ruby&gt; elements get no ruby.</translation>
    </message>
    <message>
        <source>標準入力</source>
        <translation>standard input</translation>
    </message>
    <message>
        <source>標準入力: </source>
        <translation>standard input: </translation>
    </message>
    <message>
        <source>%1 を開けません: %2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>標準出力が閉じています。</source>
        <translation>Standard output is closed.</translation>
    </message>
    <message>
        <source>%1 に書けません: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>標準出力に書けません。</source>
        <translation>Cannot write to standard output.</translation>
    </message>
    <message>
        <source>読みの文字 (既定 hiragana)</source>
        <translation>Script of the readings (default hiragana)</translation>
    </message>
    <message>
        <source>送り仮名を省略しない</source>
        <translation>Keep the okurigana in the base</translation>
    </message>
    <message>
        <source>漢字ごとに振る (読みが一通りに分けられるとき)</source>
        <translation>Ruby for each kanji (where the reading divides one way only)</translation>
    </message>
    <message>
        <source>この学年 (1～6) までの漢字、jouyou なら常用漢字だけの語には振らない</source>
        <translation>No ruby on words made only of kanji up to this school grade (1-6), or of jōyō kanji with jouyou</translation>
    </message>
    <message>
        <source>語ごとに最初の一か所だけ: ページごと、見出しごと</source>
        <translation>Only the first occurrence of each word: per page, or per heading</translation>
    </message>
    <message>
        <source>この文字リストの漢字だけの語には振らない</source>
        <translation>No ruby on words made only of the kanji in this list</translation>
    </message>
    <message>
        <source>&lt;rt&gt; に付ける属性 (例: &apos;style=&quot;font-size:7pt&quot;&apos;)</source>
        <translation>Attribute for &lt;rt&gt; (e.g. &apos;style=&quot;font-size:7pt&quot;&apos;)</translation>
    </message>
    <message>
        <source>&lt;code&gt; と &lt;pre&gt; の中にも振る</source>
        <translation>Add ruby inside &lt;code&gt; and &lt;pre&gt; too</translation>
    </message>
    <message>
        <source>入出力の文字コード (既定: ファイルから判定)</source>
        <translation>Encoding of input and output (default: detected from the file)</translation>
    </message>
    <message>
        <source>--in-place で元のファイルを名前にこれを足して残す</source>
        <translation>With --in-place, keep the original file under its name plus this suffix</translation>
    </message>
    <message>
        <source>結果をこのフォルダーに同じ構成で書く</source>
        <translation>Write the results into this folder, in the same layout</translation>
    </message>
    <message>
        <source>結果を FILE に書く (ファイル一つのとき。書き終えてから置き換える)</source>
        <translation>Write the result to FILE (for one file; replaced once fully written)</translation>
    </message>
    <message>
        <source>ルビを振らずに外す (&lt;ruby&gt; 要素を本文だけにする)</source>
        <translation>Remove ruby instead (each &lt;ruby&gt; element becomes its base text)</translation>
    </message>
    <message>
        <source>同時に処理するファイルの数 (既定: CPU の数)</source>
        <translation>Number of files processed at once (default: number of CPUs)</translation>
    </message>
    <message>
        <source>何も書かず、語の一覧を TSV (語、読み、回数、推測) で標準出力に書く</source>
        <translation>Write nothing; print the word list as TSV (word, reading, count, guessed) on standard output</translation>
    </message>
    <message>
        <source>見直した一覧 (--dry-run の形) の語と読みだけを振る</source>
        <translation>Add ruby only for the words and readings of a reviewed list (in the --dry-run form)</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>file</translation>
    </message>
    <message>
        <source>HTML ファイルまたはフォルダー</source>
        <translation>HTML files or folders</translation>
    </message>
    <message>
        <source>[ファイル...]</source>
        <translation>[file...]</translation>
    </message>
    <message>
        <source>--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: </source>
        <translation>--kana is one of hiragana, katakana, halfwidth, romaji, romaji-ou: </translation>
    </message>
    <message>
        <source>--grade は 1～6 か jouyou です: </source>
        <translation>--grade is 1 to 6 or jouyou: </translation>
    </message>
    <message>
        <source>--first は page か section です: </source>
        <translation>--first is page or section: </translation>
    </message>
    <message>
        <source>知らない文字コードです: </source>
        <translation>Unknown encoding: </translation>
    </message>
    <message>
        <source>--strip は --dry-run とも --apply-list とも使えません。</source>
        <translation>--strip cannot be used with --dry-run or --apply-list.</translation>
    </message>
    <message>
        <source>--backup は --in-place とともに、/ を含まない接尾辞で指定します。</source>
        <translation>--backup goes with --in-place and takes a suffix without &quot;/&quot;.</translation>
    </message>
    <message>
        <source>--in-place, --output-dir, -o はどれか一つです。</source>
        <translation>Use only one of --in-place, --output-dir and -o.</translation>
    </message>
    <message>
        <source>%1 を読めません: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>--jobs は 1 以上の数です: </source>
        <translation>--jobs is a number of 1 or more: </translation>
    </message>
    <message>
        <source>標準入力が閉じています。</source>
        <translation>Standard input is closed.</translation>
    </message>
    <message>
        <source>標準入力には --in-place も --output-dir も使えません。</source>
        <translation>Standard input cannot be used with --in-place or --output-dir.</translation>
    </message>
    <message>
        <source>-o はページ一つのときだけです。複数には --output-dir を使います。</source>
        <translation>-o is for one page only; use --output-dir for several.</translation>
    </message>
    <message>
        <source>メモリーが足りません。</source>
        <translation>There is not enough memory.</translation>
    </message>
    <message>
        <source>複数のページには --in-place か --output-dir が要ります (または --dry-run)。</source>
        <translation>Several pages need --in-place or --output-dir (or --dry-run).</translation>
    </message>
    <message>
        <source>%1 / %2 ファイル</source>
        <translation>%1 / %2 files</translation>
    </message>
    <message>
        <source>%1 ファイル (書き換え %2)、外したルビ %3 か所、失敗 %4 ファイル。</source>
        <translation>%1 files (%2 rewritten), %3 ruby elements removed, %4 files failed.</translation>
    </message>
    <message>
        <source>%1 ファイル (書き換え %2)、ルビ %3 か所、失敗 %4 ファイル。</source>
        <translation>%1 files (%2 rewritten), %3 ruby elements added, %4 files failed.</translation>
    </message>
    <message>
        <source>推測した読み: </source>
        <translation>Guessed readings: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>フォルダーです (-r で中のページに振ります)</source>
        <translation>is a folder (-r adds ruby to the pages in it)</translation>
    </message>
    <message>
        <source>リンクがたどってきたフォルダーに戻ります</source>
        <translation>a link leads back to a folder already walked</translation>
    </message>
    <message>
        <source>: 読み取り専用のため書き換えません (--force で書き換えます)</source>
        <translation>: read-only, so not rewritten (--force rewrites it)</translation>
    </message>
    <message>
        <source>: 控え %1 がすでにあるため書き換えません (--replace-backup で置き換えます)</source>
        <translation>: the backup %1 already exists, so the page is not rewritten (--replace-backup replaces it)</translation>
    </message>
    <message>
        <source>UTF-8 ではありません</source>
        <translation>not UTF-8</translation>
    </message>
    <message>
        <source>文の語が【】で示されていません</source>
        <translation>the word is not set in lenticular brackets in the sentence</translation>
    </message>
    <message>
        <source>語と読みがタブで区切られていません</source>
        <translation>the word and the reading are not separated by a tab</translation>
    </message>
    <message>
        <source>読みは %1 文字までのかなです</source>
        <translation>a reading is kana of up to %1 characters</translation>
    </message>
    <message>
        <source>%1 行目: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>%1: %2 と同じ名前 %3 で書くことになるため書きません</source>
        <translation>%1: not written, because it would be written under the same name %3 as %2</translation>
    </message>
    <message>
        <source>中断しました。書き換えたページは書き終えてあり、残りは元のままです。</source>
        <translation>Interrupted. The pages rewritten were written completely; the rest are as they were.</translation>
    </message>
    <message>
        <source>語全体に一つのルビを振る (間の送り仮名も含めて)</source>
        <translation>Add one ruby over the whole word (okurigana within it included)</translation>
    </message>
    <message>
        <source>フォルダーの中のページ (.html .htm .xhtml .shtml) にも振る。フォルダーの外へのリンクはたどらない</source>
        <translation>Add ruby to the pages (.html .htm .xhtml .shtml) in folders too; links out of the folders are not followed</translation>
    </message>
    <message>
        <source>ファイルそのものを書き換える (読み取り専用のページは飛ばす)</source>
        <translation>Rewrite the files themselves (read-only pages are skipped)</translation>
    </message>
    <message>
        <source>--in-place で読み取り専用のページも書き換える</source>
        <translation>With --in-place, rewrite read-only pages too</translation>
    </message>
    <message>
        <source>--backup の控えがすでにあれば置き換える</source>
        <translation>Replace a backup of --backup that already exists</translation>
    </message>
    <message>
        <source>--dry-run で一か所ごとに一行: ファイル、行:桁、語を【】で示した文、読み、推測</source>
        <translation>With --dry-run, one line per occurrence: file, line:column, the sentence with the word in lenticular brackets, reading, guessed</translation>
    </message>
    <message>
        <source>--occurrences は --dry-run とともに使います。</source>
        <translation>--occurrences is used with --dry-run.</translation>
    </message>
    <message>
        <source>--replace-backup は --backup とともに使います。</source>
        <translation>--replace-backup is used with --backup.</translation>
    </message>
    <message>
        <source>指定したフォルダーの外へのリンクです (たどりません)</source>
        <translation>a link out of the folders named (not followed)</translation>
    </message>
    <message>
        <source>書いている間にほかのプログラムが変更したため、置き換えていません</source>
        <translation>changed by another program while being written, so not replaced</translation>
    </message>
    <message>
        <source>読んでいる間にほかのプログラムが変更しました</source>
        <translation>changed by another program while being read</translation>
    </message>
    <message>
        <source>読みの修正ファイル %1 が壊れているため、使わずに続けます (%2)</source>
        <translation>the file of corrected readings %1 is damaged, so it is not used (%2)</translation>
    </message>
    <message>
        <source>%1 行目</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>大きすぎます</source>
        <translation>too large</translation>
    </message>
    <message>
        <source>見つかりません</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>テキストとして読めません</source>
        <translation>cannot be read as text</translation>
    </message>
    <message>
        <source>文字コード %1 はこのシステムでは使えません</source>
        <translation>the encoding %1 is not available on this system</translation>
    </message>
    <message>
        <source>%1 行目の文字 %2 は文字コード %3 で表せません</source>
        <translation>the character %2 on line %1 cannot be written in the encoding %3</translation>
    </message>
    <message>
        <source>読みの辞書を開けません。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ mecab-ipadic-utf8) が必要です (%1)</source>
        <translation>the reading dictionary cannot be opened; MeCab&apos;s IPADIC dictionary (UTF-8 edition, package mecab-ipadic-utf8) is needed (%1)</translation>
    </message>
    <message>
        <source>読みの辞書 %1 の形式が分かりません (パッケージ mecab-ipadic-utf8 が必要です)</source>
        <translation>the format of the reading dictionary %1 is unknown (package mecab-ipadic-utf8 is needed)</translation>
    </message>
    <message>
        <source>読みの辞書 %1 の文字コードが UTF-8 ではありません (%2)</source>
        <translation>the reading dictionary %1 is not in UTF-8 (%2)</translation>
    </message>
    <message>
        <source>漢字の読みの辞書 %1 を開けません (パッケージ kanjidic): %2</source>
        <translation>the kanji reading dictionary %1 cannot be opened (package kanjidic): %2</translation>
    </message>
    <message>
        <source>漢字の読みの辞書 %1 に読みがありません</source>
        <translation>the kanji reading dictionary %1 holds no readings</translation>
    </message>
    <message>
        <source>読みを取得できません: %1</source>
        <translation>the readings cannot be found: %1</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>ファイル名を文字として正しく読めません</source>
        <translation>the file name cannot be read as text</translation>
    </message>
    <message>
        <source>（ファイルは元のままです）</source>
        <translation> (the file is as it was)</translation>
    </message>
    <message>
        <source>（元のファイルの写しは %1 に残してあります）</source>
        <translation> (a copy of the original file was left at %1)</translation>
    </message>
</context>
</TS>
