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
        <translation>Version </translation>
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
        <source>指定JPEG XL压缩率(%)</source>
        <translation>Qualité JPEG XL (%)</translation>
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
    <message numerus="yes">
        <source>%n 个文件未能处理</source>
        <translation>
            <numerusform>%n fichier non réduit</numerusform>
            <numerusform>%n fichiers non réduits</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>illisible</translation>
    </message>
    <message>
        <source>cannot decode</source>
        <translation>impossible à décoder</translation>
    </message>
    <message>
        <source>cannot process</source>
        <translation>impossible à traiter</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>impossible à écrire</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
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
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>Photos décodées sans confinement : %1</translation>
    </message>
</context>
</TS>
