<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine – réduction de photos</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>Enregistrer le résultat</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>Enregistré dans le même dossier que l&apos;image d&apos;origine</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>Texte&#xa0;:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Dossier&#xa0;:</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Ver. </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>Déposez vos images ici</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>Vous pouvez déposer plusieurs images à la fois</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>Choisissez une taille adaptée</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>Réduire pour tenir dans (pixels)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>Conseillé pour les vignettes et les images floues</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>Rend les couleurs plus vives</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>Saturation élevée</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>Conseillé pour les vignettes</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>Niveaux de gris</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>Conseillé pour le Web</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>JPEG progressif</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>Écrit une page HTML qui relie chaque résultat à son original</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>Index HTML</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>Plus la valeur est élevée, meilleure est la qualité et plus le fichier est gros</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>Qualité JPEG (%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>Indiquez la taille voulue du fichier enregistré ; la qualité est ajustée automatiquement.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>Taille (Ko)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>au début</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>à la fin</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>Créé dans le dossier de l&apos;image d&apos;origine</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>Dans un sous-dossier</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>Ouvrir l&apos;aide</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Quitter Brevine</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>Qualité WebP (%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>Qualité AVIF (%)</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>Format des résultats : JPEG pour le courriel ; WebP ou AVIF sont plus légers, pour le Web</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>Plus d&apos;options (aussi dans le menu du clic droit)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>Options…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>Qualité JXL (%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>%n photo : %1 → %2 (%3)</numerusform>
            <numerusform>%n photos : %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n non réduit</numerusform>
            <numerusform> · %n non réduits</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>%n fichier non réduit</numerusform>
            <numerusform>%n fichiers non réduits</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Avant</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Après</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Remarque</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>erreur JPEG n° %1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>le dossier est en lecture seule</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>pas le droit d&apos;écrire</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>le disque est plein</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>un dossier : activez « Dossiers entiers » dans les options</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>pas un type d&apos;image</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>illisible</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>impossible à décoder</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>impossible à traiter</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>impossible à écrire</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <extracomment>A failure&apos;s kind, then the library&apos;s or the system&apos;s own words.</extracomment>
        <translation>%1 : %2</translation>
    </message>
    <message numerus="yes">
        <source>%n 个已跳过</source>
        <extracomment>Appended to the summary: the files whose results were there already (skip-existing).</extracomment>
        <translation>
            <numerusform>%n ignoré</numerusform>
            <numerusform>%n ignorés</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>se termine trop tôt : les %1 dernières lignes sont grises</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>fichier introuvable</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>image trop grande</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>enregistré, mais pas sa ligne d&apos;index HTML</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>conservé : le fichier réduit n&apos;était pas plus petit</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>ignoré : son résultat existe déjà</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>Gérer les préréglages</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Préréglages</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>Nouveau nom :</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>Nouveau nom</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>Un préréglage nommé « %1 » existe déjà.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>Redresser les photos</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>Tourne les photos selon l&apos;appareil (orientation EXIF)</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>Conserver le profil de couleur</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>Conserve le profil ICC, pour des couleurs fidèles à l&apos;original</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>Dossiers entiers</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>Un dossier vaut pour toutes ses images, sous-dossiers compris</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>Conserver les infos de prise de vue</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>Conserve la date, l&apos;appareil et l&apos;objectif (jamais la position GPS)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>Plus d&apos;options</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Comme le bureau</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>Conserver la date de modification</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>Chaque résultat reprend la date de modification de l&apos;original</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>Langue de la fenêtre ; prend effet au prochain démarrage</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG pour les courriels ; WebP, AVIF ou JPEG XL, plus légers, pour le Web</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>Aperçu intégré</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>Développement complet</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>Photos RAW</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>Utiliser l&apos;aperçu intégré de l&apos;appareil s&apos;il est assez grand (rapide), ou toujours développer les données brutes</translation>
    </message>
</context>
<context>
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>Résultats</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>Sélectionnez des lignes et « Ouvrir le dossier » les montre dans le gestionnaire de fichiers ; sans sélection, tous les résultats.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>Avant</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>Après</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Remarque</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>Résultat de chaque fichier</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>Un nom ne peut être vide, commencer ou finir par une espace, ni contenir de crochets ou de retours à la ligne ; 64 octets au plus.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>Impossible d’écrire le fichier de réglages.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Préréglages</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>Enregistrer comme préréglage…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>Gérer les préréglages…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>Enregistrer comme préréglage</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>Nom du préréglage :</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>Nom du préréglage</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>Un préréglage nommé « %1 » existe déjà. Appuyez de nouveau sur « Enregistrer » pour le remplacer.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>Intensité&#xa0;: %1&#xa0;%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>Plus d&apos;options…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>remplace le résultat de %1</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>%n fichier trouvé</numerusform>
            <numerusform>%n fichiers trouvés</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>Images (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>Ajouter des photos</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>Taille personnalisée</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>Largeur personnalisée</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>Hauteur personnalisée</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>Force de la netteté</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Qualité</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1 à 100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Format de sortie</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>Taille du fichier en Ko</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>Position du texte ajouté</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>Texte ajouté</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Nom du dossier</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>Ajouter des photos…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>Coller des photos</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>Résultats…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>Cliquez ou appuyez sur Entrée pour le résultat de chaque fichier</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Échap arrête les fichiers pas encore commencés</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Photos décodées sans confinement : %1</translation>
    </message>
</context>
</TS>
