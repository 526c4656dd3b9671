<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine Fotoverkleinerung</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Ergebnis speichern</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Wird im selben Ordner wie das Originalbild gespeichert</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Ver. </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Bilder hierher ziehen</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>Sie können mehrere Bilder auf einmal ablegen</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Wählen Sie eine passende Größe</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Einpassen in (Pixel)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Empfohlen für Miniaturbilder und unscharfe Bilder</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Schärfen</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Macht die Farben kräftiger</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>Hohe Sättigung</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Empfohlen für Miniaturbilder</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Graustufen</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Empfohlen für das Web</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>Progressives JPEG</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Schreibt eine HTML-Seite, die jedes Ergebnis mit seinem Original verknüpft</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>HTML-Index</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Höhere Werte ergeben bessere Qualität und größere Dateien</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>JPEG-Qualität (%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Legen Sie die Größe der gespeicherten Datei fest; die Qualität wird automatisch angepasst.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>Dateigröße (KB)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Zusatz</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>vorne</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>hinten</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Wird im Ordner des Originalbilds angelegt</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>In Unterordner speichern</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Hilfe öffnen</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Brevine beenden</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>WebP-Qualität (%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>AVIF-Qualität (%)</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Format der Ergebnisse: JPEG für E-Mail; WebP oder AVIF sind kleiner, für Webseiten</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>Weitere Optionen (auch im Kontextmenü)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Extras…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>JXL-Qualität (%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n Foto: %1 → %2 (%3)</numerusform>
            <numerusform>%n Fotos: %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n nicht verkleinert</numerusform>
            <numerusform> · %n nicht verkleinert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n Datei nicht verkleinert</numerusform>
            <numerusform>%n Dateien nicht verkleinert</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>JPEG-Fehler #%1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>der Ordner ist schreibgeschützt</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>keine Schreibberechtigung</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>ein Ordner: „Ganze Ordner“ in den Optionen einschalten</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>kein Bildtyp</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>nicht lesbar</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>nicht dekodierbar</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>nicht verarbeitbar</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>nicht schreibbar</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <extracomment>A failure&apos;s kind, then the library&apos;s or the system&apos;s own words.</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message numerus="yes">
        <source>%n 个已跳过</source>
        <extracomment>Appended to the summary: the files whose results were there already (skip-existing).</extracomment>
        <translation>
            <numerusform>%n übersprungen</numerusform>
            <numerusform>%n übersprungen</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>endet vorzeitig: die letzten %1 Zeilen sind grau</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>Bild zu groß</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>gespeichert, aber nicht im HTML-Index</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>beibehalten: die verkleinerte Datei war nicht kleiner</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>übersprungen: das Ergebnis ist schon da</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Vorgaben verwalten</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Vorgaben</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>Neuer Name:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>Es gibt schon eine Vorgabe namens „%1“.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Fotos automatisch drehen</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Dreht Fotos wie von der Kamera vermerkt (EXIF-Ausrichtung)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Farbprofil behalten</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Behält das ICC-Farbprofil, damit die Farben dem Original entsprechen</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Ganze Ordner</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>Ein Ordner steht für alle Bilder darin und in Unterordnern</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Aufnahmedaten behalten</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Behält Aufnahmezeit, Kamera und Objektiv (nie den GPS-Standort)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>Weitere Optionen</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Wie die Arbeitsumgebung</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Änderungszeit behalten</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Jedes Ergebnis erhält die Änderungszeit seines Originals</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>Die Sprache des Fensters; eine neue Wahl gilt ab dem nächsten Start</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Dateiformat</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG für E-Mails; WebP, AVIF oder JPEG XL sind kleiner, für Webseiten</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Eingebettete Vorschau</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Vollständig entwickeln</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>RAW-Fotos</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Die eingebettete Vorschau der Kamera verwenden, wenn sie groß genug ist (schnell), oder immer die Rohdaten entwickeln</translation>
    </message>
</context>
<context>
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>Markierte Zeilen zeigt „Ordner öffnen“ im Dateimanager; ohne Auswahl alle Ergebnisse.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Ergebnis jeder Datei</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>Ein Name darf nicht leer sein, nicht mit Leerzeichen beginnen oder enden und keine eckigen Klammern oder Zeilenumbrüche enthalten; höchstens 64 Bytes.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>Die Einstellungsdatei kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Vorgaben</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Als Vorgabe speichern…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Vorgaben verwalten…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Als Vorgabe speichern</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Name der Vorgabe:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Name der Vorgabe</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>Es gibt schon eine Vorgabe namens „%1“. Erneut „Speichern“ drücken, um sie zu ersetzen.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Stärke: %1 %</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>Weitere Optionen…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>ersetzt das Ergebnis von %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n Datei gefunden</numerusform>
            <numerusform>%n Dateien gefunden</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Fotos hinzufügen</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Eigene Größe</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Eigene Breite</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Eigene Höhe</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Schärfestärke</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1 bis 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Ausgabeformat</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>Dateigröße in KB</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Position des Zusatztexts</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Zusatztext</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Ordnername</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Fotos hinzufügen…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Fotos einfügen</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Ergebnisse…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Klicken oder Eingabetaste: das Ergebnis jeder Datei</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc hält die noch nicht begonnenen Dateien an</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Fotos ohne Abschottung gelesen: %1</translation>
    </message>
</context>
</TS>
