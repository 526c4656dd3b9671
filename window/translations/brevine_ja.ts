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
        <translation>バージョン</translation>
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
        <source>JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>JPEGはメール向け、WebP・AVIFは小さくWeb向け</translation>
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
    <message numerus="yes">
        <source>%n 个文件未能处理</source>
        <translation>
            <numerusform>%n 件の処理に失敗</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>読み込めません</translation>
    </message>
    <message>
        <source>cannot decode</source>
        <translation>デコードできません</translation>
    </message>
    <message>
        <source>cannot process</source>
        <translation>処理できません</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>書き込めません</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <translation>%1 の結果を置き換えます</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n 件見つかりました</numerusform>
        </translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>写真は隔離なしでデコードされました：%1</translation>
    </message>
</context>
</TS>
