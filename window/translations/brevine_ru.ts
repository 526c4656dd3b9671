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
        <translation>Вер. </translation>
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
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Формат результатов: JPEG для почты; WebP или AVIF меньше, для веб-страниц</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>Другие параметры (также в контекстном меню)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Опции…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>Качество JXL (%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n фото: %1 → %2 (%3)</numerusform>
            <numerusform>%n фото: %1 → %2 (%3)</numerusform>
            <numerusform>%n фото: %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n не уменьшен</numerusform>
            <numerusform> · %n не уменьшено</numerusform>
            <numerusform> · %n не уменьшено</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n файл не уменьшен</numerusform>
            <numerusform>%n файла не уменьшено</numerusform>
            <numerusform>%n файлов не уменьшено</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Исходный файл</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Пиксели</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>До</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>После</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Примечание</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>ошибка JPEG № %1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>папка доступна только для чтения</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>нет прав на запись</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>диск заполнен</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>это папка: включите «Папки целиком» в параметрах</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>не изображение</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>не удалось прочитать</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>не удалось декодировать</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>не удалось обработать</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>не удалось записать</translation>
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
            <numerusform>%n пропущен</numerusform>
            <numerusform>%n пропущено</numerusform>
            <numerusform>%n пропущено</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>обрывается: последние строки (%1) серые</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>файл не найден</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>изображение слишком большое</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>сохранён, но строка HTML-индекса не записана</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>оставлен оригинал: уменьшенный файл не был меньше</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>пропущен: результат уже есть</translation>
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
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>Результаты</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>Выберите строки, и «Открыть папку» покажет их в файловом менеджере; без выбора — все результаты.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Исходный файл</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Пиксели</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>До</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>После</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Примечание</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Результат каждого файла</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Открыть папку</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Закрыть</translation>
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
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
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
        <source>图片 (%1)</source>
        <translation>Изображения (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Добавить фотографии</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Свой размер</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Своя ширина</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Своя высота</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Сила резкости</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Качество</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>от 1 до 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Формат результата</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>Размер файла в КБ</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Место добавляемого текста</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Добавляемый текст</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Имя папки</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Предпросмотр</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Ход работы</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Добавить фотографии…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Вставить фотографии</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Результаты…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Щёлкните или нажмите Enter, чтобы увидеть результат каждого файла</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Открыть папку</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc останавливает ещё не начатые файлы</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Фото декодированы без изоляции: %1</translation>
    </message>
</context>
</TS>
