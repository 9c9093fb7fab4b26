<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>dm::ui::TAboutBox</name>
    <message>
        <source>欢迎使用！单击访问我们的网站</source>
        <translation>Welcome! Click to visit our web site</translation>
    </message>
    <message>
        <source>问题与建议请来信：support@dirmatch.example.org</source>
        <translation>Questions and suggestions: support@dirmatch.example.org</translation>
    </message>
    <message>
        <source>本程序只复制，不删除：文件夹 B 中多余的文件会保留。</source>
        <translation>It copies, it never deletes: extra files in B are kept.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>dm::ui::TdlgSetCom</name>
    <message>
        <source>设置比较项</source>
        <translation>Items to compare</translation>
    </message>
    <message>
        <source>需要比较的项</source>
        <translation>Compare items with</translation>
    </message>
    <message>
        <source>不要比较的项</source>
        <translation>Never compare items with</translation>
    </message>
    <message>
        <source>文件名包含左栏中任一字符串，并且不包含右栏中任一字符串的文件</source>
        <translation>A file whose path holds a left text and no right text</translation>
    </message>
    <message>
        <source>，会进行比较，否则将不进行比较。在同步时也不更新该项。</source>
        <translation>is compared; any other is not, and is not updated by synchronizing.</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>dm::ui::TfrmMain</name>
    <message>
        <source>视图</source>
        <translation>View</translation>
    </message>
    <message>
        <source>A 中大小</source>
        <translation>Size in A</translation>
    </message>
    <message>
        <source>B 中大小</source>
        <translation>Size in B</translation>
    </message>
    <message>
        <source>A 中修改时间</source>
        <translation>Modified in A</translation>
    </message>
    <message>
        <source>B 中修改时间</source>
        <translation>Modified in B</translation>
    </message>
    <message>
        <source>不同之处</source>
        <translation>Why different</translation>
    </message>
    <message>
        <source>全部展开</source>
        <translation>Expand all</translation>
    </message>
    <message>
        <source>全部折叠</source>
        <translation>Collapse all</translation>
    </message>
    <message>
        <source>复制 A 的路径</source>
        <translation>Copy the path in A</translation>
    </message>
    <message>
        <source>复制 B 的路径</source>
        <translation>Copy the path in B</translation>
    </message>
    <message>
        <source>打开所在文件夹</source>
        <translation>Open the containing folder</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>按名称筛选 (Ctrl+F)</source>
        <translation>Filter by name (Ctrl+F)</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>目录比较</source>
        <translation>Folder comparison</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>单击这里开始</source>
        <translation>Click here to start</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>中止并关闭?</source>
        <translation>Abort and close?</translation>
    </message>
    <message>
        <source>这一边的项目不在本机上: 无法在这里打开</source>
        <translation>This side&apos;s items are not on this machine: they cannot be opened here</translation>
    </message>
    <message>
        <source>中止比较</source>
        <translation>Abort the comparison</translation>
    </message>
    <message>
        <source>同步</source>
        <translation>Sync</translation>
    </message>
    <message>
        <source>以A为范本，同步两个文件夹（B多余的文件不会影响A）</source>
        <translation>Make B like A (files that only B has are left alone)</translation>
    </message>
    <message>
        <source>报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>显示比较结果总结</source>
        <translation>Show the summary of the comparison</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>标准导出</source>
        <translation>Export A</translation>
    </message>
    <message>
        <source>把标准文件夹中所有子目录及所有文件的信息导出到选定的文件中</source>
        <translation>Write the information of every folder and file of A to a file</translation>
    </message>
    <message>
        <source>正在比较，请耐心等待...</source>
        <translation>Comparing, please wait...</translation>
    </message>
    <message>
        <source>下一个不同项</source>
        <translation>Next difference</translation>
    </message>
    <message>
        <source>上一个不同项</source>
        <translation>Previous difference</translation>
    </message>
    <message>
        <source>正在同步，请耐心等待...</source>
        <translation>Synchronizing, please wait...</translation>
    </message>
    <message>
        <source>作业...</source>
        <translation>Jobs...</translation>
    </message>
    <message>
        <source>保存为作业...</source>
        <translation>Save as job...</translation>
    </message>
    <message>
        <source>请先选择文件夹 A 和 B。</source>
        <translation>Choose folders A and B first.</translation>
    </message>
    <message>
        <source>保存为作业</source>
        <translation>Save as job</translation>
    </message>
    <message>
        <source>作业名称 (字母、数字、- _ .):</source>
        <translation>Job name (letters, digits, - _ .):</translation>
    </message>
    <message>
        <source>运行这个作业时也同步 (用 A 覆盖 B)?</source>
        <translation>Should the job also synchronize (copy A over B) when it runs?</translation>
    </message>
    <message>
        <source>作业已保存。运行: dirmatch job run </source>
        <translation>The job is saved. To run it: dirmatch job run </translation>
    </message>
    <message>
        <source>
按时运行: dirmatch job schedule </source>
        <translation>
To run it on a schedule: dirmatch job schedule </translation>
    </message>
    <message>
        <source>比较文件内容...</source>
        <translation>Compare file contents...</translation>
    </message>
    <message>
        <source>用外部工具比较</source>
        <translation>Compare with the external tool</translation>
    </message>
    <message>
        <source>无法启动外部比较工具: </source>
        <translation>The external compare tool cannot be started: </translation>
    </message>
    <message>
        <source>A: 标准文件夹A</source>
        <translation>A: standard folder</translation>
    </message>
    <message>
        <source>B: 比较文件夹B</source>
        <translation>B: compared folder</translation>
    </message>
    <message>
        <source>B 缺少的文件</source>
        <translation>Lacking in B</translation>
    </message>
    <message>
        <source>B 多余的文件</source>
        <translation>Redundant in B</translation>
    </message>
    <message>
        <source>不一致</source>
        <translation>Different</translation>
    </message>
    <message>
        <source>完全相同</source>
        <translation>Identical</translation>
    </message>
    <message>
        <source>不比较</source>
        <translation>Not compared</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>系统</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>更新所选项</source>
        <translation>Update selected</translation>
    </message>
    <message>
        <source>打开文件夹 A 的文件</source>
        <translation>Open the item in A</translation>
    </message>
    <message>
        <source>打开文件夹 B 的文件</source>
        <translation>Open the item in B</translation>
    </message>
</context>
<context>
    <name>dm::ui::TfrmResult</name>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>细节 &gt;&gt;</source>
        <translation>Details &gt;&gt;</translation>
    </message>
</context>
<context>
    <name>dm::ui::TfrmWizard</name>
    <message>
        <source>交换 A 与 B</source>
        <translation>Swap A and B</translation>
    </message>
    <message>
        <source>文件夹比较向导</source>
        <translation>Folder comparison wizard</translation>
    </message>
    <message>
        <source>第一步，请选择标准文件夹 A</source>
        <translation>Step 1: choose the standard folder A</translation>
    </message>
    <message>
        <source>选择用于比较的第一个文件夹，作为比较的标准；</source>
        <translation>The first folder, the standard of the comparison;</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>运行时显示</source>
        <translation>Show at start</translation>
    </message>
    <message>
        <source>第二步，请选择待比较文件夹 B</source>
        <translation>Step 2: choose folder B to compare</translation>
    </message>
    <message>
        <source>选择用于比较的第二个文件夹，与第一步选择的标准文件夹进行比较。</source>
        <translation>The second folder, compared with the standard folder.</translation>
    </message>
    <message>
        <source>第三步，请选择比较选项</source>
        <translation>Step 3: choose the rules</translation>
    </message>
    <message>
        <source>版本比较</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>比较文件内容</source>
        <translation>Compare file content</translation>
    </message>
    <message>
        <source>修改时间比较</source>
        <translation>Modified time</translation>
    </message>
    <message>
        <source>包含子文件夹</source>
        <translation>Sub-folders</translation>
    </message>
    <message>
        <source>文件大小比较</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>高级</source>
        <translation>Filters</translation>
    </message>
    <message>
        <source>只显示不同</source>
        <translation>Differences only</translation>
    </message>
    <message>
        <source>开始比较</source>
        <translation>Compare</translation>
    </message>
</context>
</TS>
