<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine 相片批次壓縮</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>轉換後...</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>將儲存在與原始影像相同的資料夾中</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>新增字元</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>資料夾名稱</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>版本</translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>馬上拖入圖片並開始自動壓縮</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>您可以一次拖放多個圖片檔</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>請選擇合適的解析度</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>在指定範圍內調整像素大小</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>選項</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>建議在縮圖和影像模糊時使用</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>影像銳利化</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>使影像畫面更加鮮豔</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>高飽和度</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>建議製作縮圖時使用</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>單色儲存</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>建議在網頁上使用</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>漸進式儲存</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>支援建立縮圖</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>簡易Html輸出</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>數值越大畫質越好，檔案也越大</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>指定JPEG品質(%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>您可以指定要儲存的檔案大小！壓縮率將自動為您調整。</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>指定檔案大小KByte</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>在檔名</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>前面</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>後面</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>自動建立在原始影像所在的資料夾中</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>自動建立資料夾並壓縮影像</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>開啟說明檔案</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>結束程式</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>結束</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>指定WebP品質(%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>指定AVIF品質(%)</translation>
    </message>
    <message>
        <source>指定JPEG XL压缩率(%)</source>
        <translation>指定JPEG XL品質(%)</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>自動轉正相片</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>依照相機記錄的拍攝方向（EXIF 方向）把相片轉正</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>保留色彩描述檔</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>保留相片內嵌的 ICC 色彩描述檔，顏色與原圖保持一致</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>處理整個資料夾</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>拖入或指定資料夾時，壓縮其中及各層子資料夾裡的全部圖片</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>保留拍攝資訊</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>保留拍攝時間、相機和鏡頭等資訊（不含 GPS 位置）</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>更多選項</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>跟隨系統</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>保留修改時間</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>壓縮後的圖片沿用原圖的檔案修改時間</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>語言</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>視窗的語言，下次啟動時生效</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>儲存格式</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG 適合郵件；WebP、AVIF 或 JPEG XL 檔案更小，適合網頁</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>內嵌預覽圖</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>完整沖洗</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>RAW 相片</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>相機內嵌的預覽圖夠大時直接使用（快）；或總是沖洗原始資料</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>百分比為:%1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>更多選項…</translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未能处理</source>
        <translation>
            <numerusform>%n 個檔案未能處理</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>無法讀取</translation>
    </message>
    <message>
        <source>cannot decode</source>
        <translation>無法解碼</translation>
    </message>
    <message>
        <source>cannot process</source>
        <translation>無法處理</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>無法寫入</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <translation>取代 %1 的結果</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>已找到 %n 個檔案</numerusform>
        </translation>
    </message>
</context>
</TS>
