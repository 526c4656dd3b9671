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
        <translation>Ver. </translation>
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
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Format of the results: JPEG for mail; WebP or AVIF are smaller, for web pages</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>More options (also in the right-click menu)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Options…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>JXL quality (%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n photo: %1 → %2 (%3)</numerusform>
            <numerusform>%n photos: %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n not reduced</numerusform>
            <numerusform> · %n not reduced</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n file not reduced</numerusform>
            <numerusform>%n files not reduced</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>After</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>JPEG error #%1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>the folder is read-only</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>a folder: turn on “Whole folders” in the options</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>not an image type</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>cannot read</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>cannot decode</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>cannot process</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>cannot write</translation>
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
            <numerusform>%n skipped</numerusform>
            <numerusform>%n skipped</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>ends early: the last %1 rows are grey</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>no such file</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>too large</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>saved, but not its HTML index line</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>kept: the reduced file was not smaller</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>skipped: its result is there already</translation>
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
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>Select rows and “Open folder” shows them in the file manager; with none selected it shows every result.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>After</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Result of each file</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
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
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
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
        <source>图片 (%1)</source>
        <translation>Pictures (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Add photos</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Custom size</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Custom width</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Custom height</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Sharpening strength</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1 to 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>File size in KB</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Position of the added text</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Added text</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Folder name</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Add photos…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Paste photos</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Results…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Click or press Enter for the result of each file</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc stops the files not yet started</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Photos decoded without confinement: %1</translation>
    </message>
</context>
</TS>
