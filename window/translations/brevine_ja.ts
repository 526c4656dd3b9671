<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine 写真一括縮小</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>変換後の保存先</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>元の画像と同じフォルダーに保存します</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>追加文字</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>フォルダ名</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Ver.</translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>ここに画像をドロップ</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>複数の画像をまとめてドロップできます</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>適切なサイズを選んでください</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>指定範囲内に縮小（ピクセル）</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>サムネイルやぼやけた画像におすすめ</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>シャープ</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>色をより鮮やかにします</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>高彩度</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>サムネイルにおすすめ</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>モノクロで保存</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Web用におすすめ</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>プログレッシブJPEG</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>各結果を元の画像にリンクする HTML ページを作成します</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>HTML出力</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>値が大きいほど高画質で、ファイルも大きくなります</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>JPEG品質(%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>保存するファイルのサイズを指定できます。画質は自動で調整されます。</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>ファイルサイズ(KB)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>名前の</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>前に</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>後に</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>元の画像があるフォルダーの中に作成します</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>フォルダーを作成して保存</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>ヘルプを開きます</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Brevine を終了します</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>WebP品質(%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>AVIF品質(%)</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>保存形式：JPEG はメール向け、WebP と AVIF はより小さく Web 向け</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>その他のオプション（右クリックメニューにもあります）</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>設定…</translation>
    </message>
    <message>
        <source>指定JPEG XL压缩率(%)</source>
        <translation>JPEG XL品質(%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n 枚：%1 → %2（%3）</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n 件は縮小できず</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n 件のファイルを縮小できませんでした</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>元画像</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>結果</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>ピクセル</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>元のサイズ</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>新しいサイズ</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>備考</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>JPEG エラー #%1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>フォルダーは読み取り専用です</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>書き込み権限がありません</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>ディスクがいっぱいです</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>フォルダーです：オプションで「フォルダーごと処理」をオンにしてください</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>画像の種類ではありません</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>読み込めません</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>デコードできません</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>処理できません</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>書き込めません</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <extracomment>A failure&apos;s kind, then the library&apos;s or the system&apos;s own words.</extracomment>
        <translation>%1：%2</translation>
    </message>
    <message numerus="yes">
        <source>%n 个已跳过</source>
        <extracomment>Appended to the summary: the files whose results were there already (skip-existing).</extracomment>
        <translation>
            <numerusform>%n 件スキップ</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>データが途中で終わっています：最後の %1 行は灰色です</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>ファイルが見つかりません</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>画像が大きすぎます</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>保存しましたが HTML 一覧の行は書き込めませんでした</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>元画像のまま：縮小したファイルは小さくなりませんでした</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>スキップ：結果はすでにあります</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>プリセットの管理</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>プリセット</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>新しい名前：</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>新しい名前</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>名前を変更</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>「%1」という名前のプリセットは既にあります。</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>写真を自動で回転</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>カメラが記録した向き（EXIF）に合わせて回転します</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>カラープロファイルを保持</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>ICC カラープロファイルを残し、元の色を保ちます</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>フォルダーごと処理</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>フォルダー内とサブフォルダー内のすべての画像を縮小します</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>撮影情報を保持</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>撮影日時、カメラ、レンズの情報を残します（GPS は除く）</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>その他のオプション</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>デスクトップに合わせる</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>更新日時を保持</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>元の画像の更新日時を結果に引き継ぎます</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>ウィンドウの言語。変更は次回の起動から有効です</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>保存形式</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEGはメール向け、WebP・AVIF・JPEG XLは小さくWeb向け</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>埋め込みプレビュー</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>完全現像</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>RAW 写真</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>カメラ内蔵のプレビューが十分大きければそれを使う（高速）か、常に RAW データを現像する</translation>
    </message>
</context>
<context>
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>処理結果</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>行を選ぶと「フォルダーを開く」でファイルマネージャーに表示します。選ばなければすべての結果を表示します。</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>元画像</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>結果</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>ピクセル</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>元のサイズ</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>新しいサイズ</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>備考</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>各ファイルの結果</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>フォルダーを開く</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>名前は空にできず、前後に空白を置けず、角かっこや改行を含められません。最大 64 バイトです。</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>設定ファイルに書き込めません。</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>プリセット</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>プリセットとして保存…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>プリセットの管理…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>プリセットとして保存</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>プリセット名：</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>プリセット名</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>「%1」という名前のプリセットは既にあります。もう一度「保存」を押すと置き換えます。</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>強さ: %1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>その他のオプション…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>%1 の結果を置き換えます</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n 件見つかりました</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>画像 (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>写真を追加</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>カスタムサイズ</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>カスタム幅</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>カスタム高さ</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>シャープの強さ</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>品質</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1～100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>保存形式</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>ファイルサイズ（KB）</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>追加する位置</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>追加する文字</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>フォルダ名</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>写真を追加…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>写真を貼り付け</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>結果…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>クリックするか Enter を押すと各ファイルの結果を表示します</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>フォルダーを開く</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc でまだ始まっていないファイルを中止します</translation>
    </message>
</context>
</TS>
