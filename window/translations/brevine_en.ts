<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine Photo Reducer</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Save the result</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Saved in the same folder as the original picture</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Drop pictures here to start</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>You can drop several pictures at once</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Choose a suitable size</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Fit within (pixels)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Recommended for thumbnails and blurry pictures</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Makes the colors more vivid</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>High saturation</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Recommended for thumbnails</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Grayscale</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Recommended for the web</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>Progressive JPEG</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Writes an HTML page linking each result to its original</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>HTML index</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Higher values give better quality and larger files</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>JPEG quality (%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Set the size each saved file should have; the quality is adjusted for you.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>File size (KB)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Add text</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>as prefix</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>as suffix</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Created in the folder of the original picture</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>Save in a sub-folder</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Open the help</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Quit Brevine</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>WebP quality (%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>AVIF quality (%)</translation>
    </message>
    <message>
        <source>指定JPEG XL压缩率(%)</source>
        <translation>JPEG XL quality (%)</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Manage Presets</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>New name:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>There is already a preset named “%1”.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Turn photos upright</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Turns photos as the camera recorded them (EXIF orientation)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Keep the color profile</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Keeps the photo&apos;s ICC color profile, so the colors match the original</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Whole folders</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>A folder stands for every picture in it and its sub-folders</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Keep photo details</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Keeps the date taken, camera and lens (never the GPS location)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>More Options</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Same as the desktop</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Keep the modification time</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Each result takes its original&apos;s modification time</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>The window&apos;s language; a new choice applies at the next start</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG suits mail; WebP, AVIF or JPEG XL files are smaller, for web pages</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Embedded preview</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Full develop</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>RAW photos</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Use the camera&apos;s embedded preview when it is large enough (fast), or always develop the raw data</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>A name must not be empty, begin or end with a space, or hold brackets or line breaks; at most 64 bytes.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>The settings file cannot be written.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Save as Preset…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Manage Presets…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Save as Preset</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Preset name:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Preset name</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>There is already a preset named “%1”. Press “Save” again to replace it.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Strength: %1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>More Options…</translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未能处理</source>
        <translation>
            <numerusform>%n file not reduced</numerusform>
            <numerusform>%n files not reduced</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>cannot read</translation>
    </message>
    <message>
        <source>cannot decode</source>
        <translation>cannot decode</translation>
    </message>
    <message>
        <source>cannot process</source>
        <translation>cannot process</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>cannot write</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <translation>replaces the result of %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n file found</numerusform>
            <numerusform>%n files found</numerusform>
        </translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Photos decoded without confinement: %1</translation>
    </message>
</context>
</TS>
