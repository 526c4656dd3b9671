<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine – уменьшение фото</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Сохранить результат</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Сохраняется в той же папке, что и исходное изображение</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Текст:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Папка:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Версия </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Перетащите сюда фото</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>Можно перетащить сразу несколько изображений</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Выберите подходящий размер</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Вписать в размер (пикс.)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Рекомендуется для миниатюр и размытых изображений</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Резкость</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Делает цвета ярче</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>Насыщенность</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Рекомендуется для миниатюр</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Оттенки серого</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Рекомендуется для веба</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>Прогрессивный JPEG</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Создаёт HTML-страницу со ссылками от результатов на оригиналы</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>HTML-обзор</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Чем больше значение, тем выше качество и больше файл</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>Качество JPEG (%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Укажите размер сохраняемого файла; качество подбирается автоматически.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>Размер (КБ)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>в начало</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>в конец</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Создаётся в папке исходного изображения</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>Сохранить в подпапку</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Открыть справку</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Выйти из Brevine</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>Качество WebP (%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>Качество AVIF (%)</translation>
    </message>
    <message>
        <source>指定JPEG XL压缩率(%)</source>
        <translation>Качество JPEG XL (%)</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Управление наборами</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Наборы</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>Новое имя:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>Новое имя</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>Набор «%1» уже есть.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Поворачивать фото</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Поворачивает фото, как записала камера (ориентация EXIF)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Сохранять цветовой профиль</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Сохраняет ICC-профиль, чтобы цвета совпадали с оригиналом</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Папки целиком</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>Папка означает все изображения в ней и во вложенных папках</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Сохранять данные съёмки</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Сохраняет время съёмки, камеру и объектив (без координат GPS)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>Дополнительные параметры</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Как в системе</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Сохранять время изменения</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Результат получает время изменения оригинала</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>Язык окна; новый выбор действует со следующего запуска</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Формат</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG для почты; WebP, AVIF и JPEG XL меньше, для веб-страниц</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Встроенное превью</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Полная проявка</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>Фото RAW</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Использовать встроенное превью камеры, если оно достаточно велико (быстро), или всегда проявлять исходные данные</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>Имя не может быть пустым, начинаться или заканчиваться пробелом, содержать квадратные скобки или переводы строки; не более 64 байт.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>Не удаётся записать файл настроек.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Наборы</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Сохранить как набор…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Управление наборами…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Сохранить как набор</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Имя набора:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Имя набора</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>Набор «%1» уже есть. Нажмите «Сохранить» ещё раз, чтобы заменить его.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Сила: %1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>Дополнительные параметры…</translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未能处理</source>
        <translation>
            <numerusform>%n файл не обработан</numerusform>
            <numerusform>%n файла не обработаны</numerusform>
            <numerusform>%n файлов не обработано</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>не удалось прочитать</translation>
    </message>
    <message>
        <source>cannot decode</source>
        <translation>не удалось декодировать</translation>
    </message>
    <message>
        <source>cannot process</source>
        <translation>не удалось обработать</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>не удалось записать</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <translation>заменяет результат %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>Найден %n файл</numerusform>
            <numerusform>Найдено %n файла</numerusform>
            <numerusform>Найдено %n файлов</numerusform>
        </translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Фото декодированы без изоляции: %1</translation>
    </message>
</context>
</TS>
