<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine – redutor de fotos</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Salvar o resultado</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Salvo na mesma pasta da imagem original</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Texto:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Pasta:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Ver. </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Arraste as imagens para cá</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>Você pode arrastar várias imagens de uma vez</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Escolha um tamanho adequado</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Ajustar dentro de (pixels)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Opções</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Recomendado para miniaturas e imagens desfocadas</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Deixa as cores mais vivas</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>Alta saturação</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Recomendado para miniaturas</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Tons de cinza</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Recomendado para a web</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>JPEG progressivo</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Grava uma página HTML que liga cada resultado ao seu original</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>Índice HTML</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Quanto maior o valor, melhor a qualidade e maior o arquivo</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>Qualidade JPEG %</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Defina o tamanho do arquivo salvo; a qualidade é ajustada automaticamente.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>Tamanho em KB</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Adicionar</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>no início</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>no final</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Criada na pasta da imagem original</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>Salvar em uma subpasta</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Abrir a ajuda</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Ajuda</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Sair do Brevine</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>Qualidade WebP %</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>Qualidade AVIF %</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Formato dos resultados: JPEG para e-mail; WebP ou AVIF são menores, para a web</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>Mais opções (também no menu do botão direito)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Opções…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>Qualidade JXL %</translation>
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
            <numerusform> · %n não reduzido</numerusform>
            <numerusform> · %n não reduzidos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n arquivo não reduzido</numerusform>
            <numerusform>%n arquivos não reduzidos</numerusform>
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
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Depois</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Observação</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>erro JPEG nº %1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>a pasta é somente leitura</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>sem permissão de escrita</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>o disco está cheio</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>uma pasta: ative “Pastas inteiras” nas opções</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>não é um tipo de imagem</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>não foi possível ler</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>não foi possível decodificar</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>não foi possível processar</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>não foi possível gravar</translation>
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
            <numerusform>%n ignorado</numerusform>
            <numerusform>%n ignorados</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>termina antes da hora: as últimas %1 linhas são cinza</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>arquivo não encontrado</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>imagem grande demais</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>salvo, mas não a linha do índice HTML</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>mantido: o arquivo reduzido não era menor</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>ignorado: o resultado já existe</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Gerenciar predefinições</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Predefinições</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>Novo nome:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>Novo nome</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Renomear</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Excluir</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Fechar</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>Já existe uma predefinição chamada “%1”.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Endireitar as fotos</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Gira as fotos conforme a câmera (orientação EXIF)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Manter o perfil de cor</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Mantém o perfil ICC, para as cores ficarem iguais às do original</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Pastas inteiras</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>Uma pasta vale por todas as imagens dela e das subpastas</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Manter os dados da foto</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Mantém a data, a câmera e a lente (nunca a localização GPS)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>Mais opções</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Igual à área de trabalho</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Manter a data de modificação</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Cada resultado recebe a data de modificação do original</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>O idioma da janela; uma nova escolha vale na próxima inicialização</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Formato</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG para e-mail; WebP, AVIF ou JPEG XL são menores, para a web</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Prévia incorporada</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Revelação completa</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>Fotos RAW</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Usar a prévia incorporada da câmera quando for grande o bastante (rápido), ou sempre revelar os dados brutos</translation>
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
        <translation>Selecione linhas e “Abrir pasta” as mostra no gerenciador de arquivos; sem seleção, mostra todos os resultados.</translation>
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
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Depois</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Observação</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Resultado de cada arquivo</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Abrir pasta</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Fechar</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>Um nome não pode ser vazio, começar ou terminar com espaço, nem conter colchetes ou quebras de linha; no máximo 64 bytes.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>Não é possível gravar o arquivo de configurações.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Predefinições</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Salvar como predefinição…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Gerenciar predefinições…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Salvar como predefinição</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Nome da predefinição:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Nome da predefinição</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Salvar</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>Já existe uma predefinição chamada “%1”. Clique em “Salvar” de novo para substituí-la.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Intensidade: %1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>Mais opções…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>substitui o resultado de %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n arquivo encontrado</numerusform>
            <numerusform>%n arquivos encontrados</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>Imagens (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Adicionar fotos</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Tamanho personalizado</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Largura personalizada</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Altura personalizada</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Intensidade da nitidez</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Qualidade</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1 a 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Formato de saída</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>Tamanho do arquivo em KB</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Posição do texto adicionado</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Texto adicionado</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Nome da pasta</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Pré-visualização</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progresso</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Adicionar fotos…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Colar fotos</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Resultados…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Clique ou pressione Enter para ver o resultado de cada arquivo</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Abrir pasta</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc interrompe os arquivos ainda não iniciados</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Fotos decodificadas sem isolamento: %1</translation>
    </message>
</context>
</TS>
