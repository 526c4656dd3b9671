<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>Brevine 照片批量压缩</source>
        <translation>Brevine 사진 일괄 축소</translation>
    </message>
    <message>
        <source>转换后...</source>
        <translation>변환 후 저장</translation>
    </message>
    <message>
        <source>它将保存在与原始图像相同的文件夹中</source>
        <translation>원본 이미지와 같은 폴더에 저장합니다</translation>
    </message>
    <message>
        <source>添加字符</source>
        <translation>추가 문자</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>폴더 이름</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>버전 </translation>
    </message>
    <message>
        <source>马上拖入图片并开始自动压缩</source>
        <translation>여기에 이미지를 끌어 놓기</translation>
    </message>
    <message>
        <source>您可以拖放多个Jpeg/bmp文件</source>
        <translation>여러 이미지를 한 번에 끌어 놓을 수 있습니다</translation>
    </message>
    <message>
        <source>请选择合适的分辨率</source>
        <translation>알맞은 크기를 선택하세요</translation>
    </message>
    <message>
        <source>在指定范围内调整像素大小</source>
        <translation>지정한 크기 안으로 축소(픽셀)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>옵션</translation>
    </message>
    <message>
        <source>建议在缩略图和图像模糊时使用</source>
        <translation>미리보기 이미지나 흐린 이미지에 권장</translation>
    </message>
    <message>
        <source>图像锐化</source>
        <translation>선명하게</translation>
    </message>
    <message>
        <source>使图像画面更加鲜艳</source>
        <translation>색을 더 선명하게 합니다</translation>
    </message>
    <message>
        <source>高饱和度</source>
        <translation>높은 채도</translation>
    </message>
    <message>
        <source>建议做缩略图的时候使用</source>
        <translation>미리보기 이미지에 권장</translation>
    </message>
    <message>
        <source>单色保存</source>
        <translation>흑백으로 저장</translation>
    </message>
    <message>
        <source>建议在Web的时候使用</source>
        <translation>웹용으로 권장</translation>
    </message>
    <message>
        <source>逐行保存</source>
        <translation>프로그레시브 JPEG</translation>
    </message>
    <message>
        <source>支持创建缩略图</source>
        <translation>각 결과를 원본에 연결하는 HTML 페이지를 만듭니다</translation>
    </message>
    <message>
        <source>简易Html输出</source>
        <translation>HTML 색인</translation>
    </message>
    <message>
        <source>数值越大画质越低</source>
        <translation>값이 클수록 화질이 좋고 파일이 커집니다</translation>
    </message>
    <message>
        <source>指定JPEG压缩率(%)</source>
        <translation>JPEG 품질(%)</translation>
    </message>
    <message>
        <source>您可以指定您要保存的文件的大小！压缩率将自动为您调整.</source>
        <translation>저장할 파일 크기를 지정할 수 있습니다. 화질은 자동으로 조정됩니다.</translation>
    </message>
    <message>
        <source>指定文件大小KByte</source>
        <translation>파일 크기(KB)</translation>
    </message>
    <message>
        <source>在文件名</source>
        <translation>파일 이름</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>앞에</translation>
    </message>
    <message>
        <source>后面</source>
        <translation>뒤에</translation>
    </message>
    <message>
        <source>自动生成在原始图像所在的文件夹中</source>
        <translation>원본 이미지가 있는 폴더 안에 만듭니다</translation>
    </message>
    <message>
        <source>自动创建文件夹并压缩图像</source>
        <translation>하위 폴더에 저장</translation>
    </message>
    <message>
        <source>打开帮助文件</source>
        <translation>도움말 열기</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>도움말</translation>
    </message>
    <message>
        <source>退出软件</source>
        <translation>Brevine 종료</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>종료</translation>
    </message>
    <message>
        <source>指定WebP压缩率(%)</source>
        <translation>WebP 품질(%)</translation>
    </message>
    <message>
        <source>指定AVIF压缩率(%)</source>
        <translation>AVIF 품질(%)</translation>
    </message>
    <message>
        <source>保存格式：JPEG 适合邮件；WebP 或 AVIF 文件更小，适合网页</source>
        <translation>저장 형식: JPEG는 메일용, WebP나 AVIF는 더 작아 웹용</translation>
    </message>
    <message>
        <source>更多选项（也在右键菜单中）</source>
        <translation>추가 옵션 (오른쪽 클릭 메뉴에도 있음)</translation>
    </message>
    <message>
        <source>选项…</source>
        <translation>옵션…</translation>
    </message>
    <message>
        <source>指定JXL压缩率(%)</source>
        <translation>JXL 품질(%)</translation>
    </message>
</context>
<context>
    <name>brevine::BatchResults</name>
    <message numerus="yes">
        <source>%n 张照片：%1 → %2（%3）</source>
        <extracomment>The batch&apos;s summary in the drop hint: photos written, their sources&apos; size, the results&apos; size and the saving (&quot;−91%&quot;).</extracomment>
        <translation>
            <numerusform>사진 %n장: %1 → %2 (%3)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> · %n 个未压缩</source>
        <extracomment>Appended to the summary: the files of the batch that were not written.</extracomment>
        <translation>
            <numerusform> · %n개 축소 안 됨</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件未压缩</source>
        <translation>
            <numerusform>파일 %n개를 축소하지 못했습니다</numerusform>
        </translation>
    </message>
    <message>
        <source>原图</source>
        <translation>원본</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>결과</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>픽셀</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>이전 크기</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>새 크기</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>설명</translation>
    </message>
    <message>
        <source>JPEG错误#%1</source>
        <translation>JPEG 오류 #%1</translation>
    </message>
    <message>
        <source>文件夹是只读的</source>
        <translation>폴더가 읽기 전용입니다</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>쓰기 권한이 없습니다</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>디스크가 가득 찼습니다</translation>
    </message>
    <message>
        <source>这是文件夹：请在选项中打开“处理整个文件夹”</source>
        <extracomment>A folder dropped while whole folders are off; the name in quotes is the dialog&apos;s check box &quot;处理整个文件夹&quot;.</extracomment>
        <translation>폴더입니다: 옵션에서 &apos;폴더 전체 처리&apos;를 켜세요</translation>
    </message>
    <message>
        <source>不是图片类型</source>
        <translation>이미지 형식이 아님</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>읽을 수 없음</translation>
    </message>
    <message>
        <source>无法解码</source>
        <translation>디코딩할 수 없음</translation>
    </message>
    <message>
        <source>无法处理</source>
        <translation>처리할 수 없음</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>쓸 수 없음</translation>
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
            <numerusform>%n개 건너뜀</numerusform>
        </translation>
    </message>
    <message>
        <source>数据提前结束：最后 %1 行为灰色</source>
        <translation>데이터가 일찍 끝남: 마지막 %1행은 회색입니다</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>파일을 찾을 수 없음</translation>
    </message>
    <message>
        <source>图片太大</source>
        <translation>이미지가 너무 큼</translation>
    </message>
    <message>
        <source>已保存，但未写入 HTML 索引</source>
        <translation>저장했지만 HTML 목록 줄은 쓰지 못함</translation>
    </message>
    <message>
        <source>保留原图：压缩后的文件并不更小</source>
        <translation>원본 유지: 축소한 파일이 더 작지 않음</translation>
    </message>
    <message>
        <source>已跳过：结果已存在</source>
        <translation>건너뜀: 결과가 이미 있음</translation>
    </message>
</context>
<context>
    <name>brevine::ManagePresetsDialog</name>
    <message>
        <source>管理预设</source>
        <translation>프리셋 관리</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>프리셋</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>새 이름:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>새 이름</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>이름 바꾸기</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>삭제</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>닫기</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。</source>
        <translation>“%1” 이름의 프리셋이 이미 있습니다.</translation>
    </message>
</context>
<context>
    <name>brevine::OptionsDialog</name>
    <message>
        <source>自动转正照片</source>
        <translation>사진 자동 회전</translation>
    </message>
    <message>
        <source>按照相机记录的拍摄方向（EXIF 方向）把照片转正</source>
        <translation>카메라가 기록한 방향(EXIF 방향)에 맞게 사진을 회전합니다</translation>
    </message>
    <message>
        <source>保留色彩配置文件</source>
        <translation>색상 프로필 유지</translation>
    </message>
    <message>
        <source>保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致</source>
        <translation>사진의 ICC 색상 프로필을 유지하여 원본과 같은 색을 보존합니다</translation>
    </message>
    <message>
        <source>处理整个文件夹</source>
        <translation>폴더 전체 처리</translation>
    </message>
    <message>
        <source>拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片</source>
        <translation>폴더를 끌어 놓으면 그 안과 하위 폴더의 모든 이미지를 축소합니다</translation>
    </message>
    <message>
        <source>保留拍摄信息</source>
        <translation>촬영 정보 유지</translation>
    </message>
    <message>
        <source>保留拍摄时间、相机和镜头等信息（不含 GPS 位置）</source>
        <translation>촬영 시각, 카메라, 렌즈 정보를 유지합니다(GPS 위치 제외)</translation>
    </message>
    <message>
        <source>更多选项</source>
        <translation>추가 옵션</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>데스크톱과 같게</translation>
    </message>
    <message>
        <source>保留修改时间</source>
        <translation>수정 시각 유지</translation>
    </message>
    <message>
        <source>压缩后的图片沿用原图的文件修改时间</source>
        <translation>결과에 원본 파일의 수정 시각을 그대로 씁니다</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>언어</translation>
    </message>
    <message>
        <source>窗口的语言，下次启动时生效</source>
        <translation>창의 언어입니다. 새로 선택한 언어는 다음 시작부터 적용됩니다</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>저장 형식</translation>
    </message>
    <message>
        <source>JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页</source>
        <translation>JPEG는 메일용, WebP·AVIF·JPEG XL은 더 작아 웹용</translation>
    </message>
    <message>
        <source>内嵌预览图</source>
        <translation>내장 미리보기</translation>
    </message>
    <message>
        <source>完整冲洗</source>
        <translation>전체 현상</translation>
    </message>
    <message>
        <source>RAW 照片</source>
        <translation>RAW 사진</translation>
    </message>
    <message>
        <source>相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据</source>
        <translation>카메라 내장 미리보기가 충분히 크면 그것을 사용(빠름)하거나 항상 원본 데이터를 현상</translation>
    </message>
</context>
<context>
    <name>brevine::ResultsDialog</name>
    <message>
        <source>处理结果</source>
        <translation>처리 결과</translation>
    </message>
    <message>
        <source>选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。</source>
        <translation>행을 선택하면 &apos;폴더 열기&apos;가 파일 관리자에서 보여 줍니다. 선택하지 않으면 모든 결과를 보여 줍니다.</translation>
    </message>
    <message>
        <source>原图</source>
        <translation>원본</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>결과</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>픽셀</translation>
    </message>
    <message>
        <source>原大小</source>
        <translation>이전 크기</translation>
    </message>
    <message>
        <source>新大小</source>
        <translation>새 크기</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>설명</translation>
    </message>
    <message>
        <source>每个文件的结果</source>
        <translation>파일별 결과</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>폴더 열기</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>복사</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>닫기</translation>
    </message>
</context>
<context>
    <name>brevine::SavePresetDialog</name>
    <message>
        <source>名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。</source>
        <translation>이름은 비어 있을 수 없고, 앞뒤에 공백을 둘 수 없으며, 대괄호나 줄바꿈을 포함할 수 없습니다. 최대 64바이트입니다.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>설정 파일을 쓸 수 없습니다.</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>프리셋</translation>
    </message>
    <message>
        <source>另存为预设…</source>
        <translation>프리셋으로 저장…</translation>
    </message>
    <message>
        <source>管理预设…</source>
        <translation>프리셋 관리…</translation>
    </message>
    <message>
        <source>另存为预设</source>
        <translation>프리셋으로 저장</translation>
    </message>
    <message>
        <source>预设名称：</source>
        <translation>프리셋 이름:</translation>
    </message>
    <message>
        <source>预设名称</source>
        <translation>프리셋 이름</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>已有名为“%1”的预设。再按“保存”即替换它。</source>
        <translation>“%1” 이름의 프리셋이 이미 있습니다. 바꾸려면 “저장”을 한 번 더 누르세요.</translation>
    </message>
</context>
<context>
    <name>brevine::TForm1</name>
    <message>
        <source>百分比为:%1%</source>
        <translation>강도: %1%</translation>
    </message>
    <message>
        <source>更多选项…</source>
        <translation>추가 옵션…</translation>
    </message>
    <message>
        <source>replaces the result of %1</source>
        <extracomment>A later source gave the same output name as an earlier one.</extracomment>
        <translation>%1의 결과를 대체함</translation>
    </message>
    <message numerus="yes">
        <source>已找到 %n 个文件</source>
        <translation>
            <numerusform>파일 %n개를 찾았습니다</numerusform>
        </translation>
    </message>
    <message>
        <source>图片 (%1)</source>
        <translation>이미지 (%1)</translation>
    </message>
    <message>
        <source>添加照片</source>
        <translation>사진 추가</translation>
    </message>
    <message>
        <source>自定义尺寸</source>
        <translation>사용자 지정 크기</translation>
    </message>
    <message>
        <source>自定义宽度</source>
        <translation>사용자 지정 너비</translation>
    </message>
    <message>
        <source>自定义高度</source>
        <translation>사용자 지정 높이</translation>
    </message>
    <message>
        <source>锐化强度</source>
        <translation>선명 효과 강도</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>품질</translation>
    </message>
    <message>
        <source>1 到 100</source>
        <translation>1~100</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>저장 형식</translation>
    </message>
    <message>
        <source>文件大小（KB）</source>
        <translation>목표 파일 크기(KB)</translation>
    </message>
    <message>
        <source>添加位置</source>
        <translation>추가할 위치</translation>
    </message>
    <message>
        <source>添加的文字</source>
        <translation>추가할 문자</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>폴더 이름</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>미리 보기</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>진행률</translation>
    </message>
    <message>
        <source>添加照片…</source>
        <translation>사진 추가…</translation>
    </message>
    <message>
        <source>粘贴照片</source>
        <translation>사진 붙여넣기</translation>
    </message>
    <message>
        <source>结果…</source>
        <translation>결과…</translation>
    </message>
    <message>
        <source>单击或按 Enter 查看每个文件的结果</source>
        <extracomment>Tool-tip of the batch&apos;s summary.</extracomment>
        <translation>클릭하거나 Enter를 누르면 파일별 결과를 봅니다</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>폴더 열기</translation>
    </message>
    <message>
        <source>%1 / %2 · %3
按 Esc 停止尚未开始的文件</source>
        <extracomment>The progress bar&apos;s tool-tip during a batch: the file started last, its place in the batch, and how to stop.</extracomment>
        <translation>%1 / %2 · %3
Esc를 누르면 아직 시작하지 않은 파일을 멈춥니다</translation>
    </message>
    <message>
        <source>照片未经隔离解码：%1</source>
        <extracomment>Drop hint&apos;s tool-tip: the kernel let the photos be read only without the walls around their decoders; %1 says what was missing (in English).</extracomment>
        <translation>사진을 격리 없이 디코딩했습니다: %1</translation>
    </message>
</context>
</TS>
