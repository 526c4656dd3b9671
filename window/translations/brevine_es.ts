<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine – reductor de fotos</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Guardar el resultado</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Se guarda en la misma carpeta que la imagen original</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Texto:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Carpeta:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Ver. </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Arrastre las imágenes aquí</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>Puede arrastrar varias imágenes a la vez</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Elija un tamaño adecuado</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Ajustar dentro de (píxeles)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Recomendado para miniaturas e imágenes borrosas</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Enfocar</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Hace los colores más vivos</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>Alta saturación</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Recomendado para miniaturas</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Escala de grises</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Recomendado para la web</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>JPEG progresivo</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Escribe una página HTML que enlaza cada resultado con su original</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>Índice HTML</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Cuanto mayor es el valor, mejor es la calidad y mayor el archivo</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>Calidad JPEG (%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Indique el tamaño que debe tener el archivo guardado; la calidad se ajusta automáticamente.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>Tamaño en KB</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>al inicio</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>al final</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Se crea en la carpeta de la imagen original</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>Guardar en una subcarpeta</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Abrir la ayuda</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Salir de Brevine</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>Calidad WebP (%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>Calidad AVIF (%)</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Formato de los resultados: JPEG para el correo; WebP o AVIF son más pequeños, para la web</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>Más opciones (también en el menú del botón derecho)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Ajustes…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>Calidad JXL (%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n foto: %1 → %2 (%3)</numerusform>
            <numerusform>%n fotos: %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n sin reducir</numerusform>
            <numerusform> · %n sin reducir</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n archivo sin reducir</numerusform>
            <numerusform>%n archivos sin reducir</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Resultado</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Píxeles</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Después</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Nota</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>error JPEG n.º %1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>la carpeta es de solo lectura</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>sin permiso de escritura</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>el disco está lleno</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>una carpeta: active «Carpetas completas» en las opciones</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>no es un tipo de imagen</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>no se puede leer</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>no se puede decodificar</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>no se puede procesar</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>no se puede escribir</translation>
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
            <numerusform>%n omitido</numerusform>
            <numerusform>%n omitidos</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>termina antes de tiempo: las últimas %1 filas son grises</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>no existe el archivo</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>imagen demasiado grande</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>guardado, pero no su línea del índice HTML</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>conservado: el archivo reducido no era más pequeño</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>omitido: su resultado ya existe</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Administrar ajustes predefinidos</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Ajustes predefinidos</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>Nombre nuevo:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>Nombre nuevo</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Renombrar</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>Ya existe un ajuste predefinido llamado «%1».</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Enderezar las fotos</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Gira las fotos según la cámara (orientación EXIF)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Conservar el perfil de color</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Conserva el perfil ICC, para que los colores sean los del original</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Carpetas completas</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>Una carpeta equivale a todas sus imágenes, con sus subcarpetas</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Conservar los datos de la toma</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Conserva la fecha, la cámara y el objetivo (nunca la ubicación GPS)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>Más opciones</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Como el escritorio</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Conservar la fecha de modificación</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Cada resultado toma la fecha de modificación del original</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>El idioma de la ventana; un cambio se aplica en el siguiente inicio</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Formato</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG para correo; WebP, AVIF o JPEG XL son más ligeros, para la web</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Vista previa incrustada</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Revelado completo</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>Fotos RAW</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Usar la vista previa incrustada de la cámara si es lo bastante grande (rápido), o revelar siempre los datos en bruto</translation>
    </message>
</context>
<context>
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>Resultados</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>Seleccione filas y «Abrir carpeta» las muestra en el gestor de archivos; sin selección, muestra todos los resultados.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Resultado</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Píxeles</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Después</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Nota</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Resultado de cada archivo</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Abrir carpeta</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Cerrar</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>Un nombre no puede estar vacío, empezar ni terminar con un espacio, ni contener corchetes ni saltos de línea; 64 bytes como máximo.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>No se puede escribir el archivo de ajustes.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Ajustes predefinidos</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Guardar como ajuste predefinido…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Administrar ajustes predefinidos…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Guardar como ajuste predefinido</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Nombre del ajuste predefinido:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Nombre del ajuste predefinido</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>Ya existe un ajuste predefinido llamado «%1». Pulse «Guardar» otra vez para reemplazarlo.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Intensidad: %1 %</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>Más opciones…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>reemplaza el resultado de %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n archivo encontrado</numerusform>
            <numerusform>%n archivos encontrados</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>Imágenes (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Añadir fotos</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Tamaño personalizado</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Ancho personalizado</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Alto personalizado</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Intensidad del enfoque</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Calidad</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1 a 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Formato de salida</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>Tamaño del archivo en KB</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Posición del texto añadido</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Texto añadido</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Nombre de la carpeta</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Vista previa</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Añadir fotos…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Pegar fotos</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Resultados…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Haga clic o pulse Intro para ver el resultado de cada archivo</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Abrir carpeta</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc detiene los archivos aún no empezados</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Fotos descodificadas sin aislamiento: %1</translation>
    </message>
</context>
</TS>
