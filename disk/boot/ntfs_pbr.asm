; NTFS partition boot record: the volume's 8 KiB $Boot area.
;
; Bytes 0-511 are the volume's boot sector. The disk tool keeps the volume's
; own OEM name and BPB in bytes 3-83, so we leave them zero here and read the
; BPB in place at 0000:7C00. The boot sector loads the whole $Boot area (the
; first 8192 bytes of the volume) to 0000:7C00 and continues at 7E00.
;
; The loader (BOOTMGR, or GRLDR when assembled with -DLOADER_GRLDR) is looked
; up in the root directory's index: the entries of $INDEX_ROOT and of every
; index block of $INDEX_ALLOCATION in use, scanned in order rather than by
; walking the B-tree. Its unnamed $DATA, resident or in data runs, is loaded
; whole to 2000:0000 and entered with DL = BIOS drive, DS = ES = SS = 0,
; SP = 7C00 and this sector with its BPB still at 0000:7C00: the hand-off
; both loaders expect. A loader whose record needs an attribute list is
; refused, as is a compressed or encrypted one. The root's own attribute
; list is followed (ntfs-3g moves the index root of a large root out to an
; extension record), for attributes kept whole in one record.
;
; Only the drive in DL is ever read. All sector arithmetic uses the BPB's
; bytes per sector, so 512- and 4096-byte logical sectors both work. MFT
; records and index blocks of up to 4 KiB are supported.

        cpu     386
        bits    16
        org     0x7C00

%ifdef LOADER_GRLDR
%define LOADER_NAME     'GRLDR'
%else
%define LOADER_NAME     'BOOTMGR'
%endif
%strlen LOADER_LENGTH   LOADER_NAME

BPB_BYTES_PER_SECTOR    equ     0x7C0B  ; word
BPB_SECTORS_PER_CLUSTER equ     0x7C0D  ; byte; above 80h: 2^(256 - n)
BPB_SECTORS_PER_TRACK   equ     0x7C18  ; word
BPB_HEADS               equ     0x7C1A  ; word
BPB_HIDDEN_SECTORS      equ     0x7C1C  ; dword
BPB_MFT_CLUSTER         equ     0x7C30  ; qword
BPB_CLUSTERS_PER_RECORD equ     0x7C40  ; signed byte; negative n: 2^-n bytes

; Variables in free conventional memory below the stack, away from the BPB.
DRIVE                   equ     0x0500  ; byte
CHUNK                   equ     0x0502  ; word: sectors per BIOS call
SECTORS_PER_TRACK       equ     0x0504  ; word: CHS geometry in use
HEADS                   equ     0x0506  ; word
DAP                     equ     0x0510  ; 16 bytes
SECTORS_PER_CLUSTER     equ     0x0520  ; dword
RECORD_BYTES            equ     0x0524  ; dword
MFT_RUNS                equ     0x0528  ; word: $MFT's data runs in MFT_BUFFER
INDEX_BYTES             equ     0x052C  ; dword: index block size
INDEX_RUNS              equ     0x0530  ; word: root's $INDEX_ALLOCATION runs
INDEX_BITMAP            equ     0x0532  ; word: resident $BITMAP value, or 0
INDEX_BLOCKS            equ     0x0534  ; dword: index blocks to scan
INDEX_NEXT              equ     0x0538  ; dword: next index block
; read_stream's state:
STREAM_RUNS             equ     0x0540  ; word
STREAM_SPARSE           equ     0x0542  ; byte: the current run has no clusters
STREAM_SECTOR           equ     0x0544  ; dword: next sector in the stream
STREAM_LEFT             equ     0x0548  ; dword: sectors still to read
STREAM_VCN              equ     0x054C  ; dword: cluster of STREAM_SECTOR
STREAM_OFFSET           equ     0x0550  ; dword: STREAM_SECTOR in that cluster
; find_attribute's, while it reads an attribute list:
WANT_TYPE               equ     0x0554  ; dword
WANT_NAME               equ     0x0558  ; byte: name length
WANT_BUFFER             equ     0x055A  ; word: for the extension record

; Buffers of 4 KiB each, paragraph-aligned, addressed with DS = 0.
MFT_BUFFER              equ     0x1000  ; $MFT's own record, kept for its runs
ROOT_BUFFER             equ     0x2000  ; the root directory's record
INDEX_BUFFER            equ     0x3000  ; one index block
FILE_BUFFER             equ     0x4000  ; a candidate loader's record
LIST_BUFFER             equ     0x5000  ; a non-resident attribute list
; The root's attributes that its attribute list puts in other records.
INDEX_ROOT_BUFFER       equ     0x6000
INDEX_ALLOCATION_BUFFER equ     0xA000
BITMAP_BUFFER           equ     0xB000
BUFFER_BYTES            equ     4096

STACK_TOP               equ     0x7C00
BOOT_AREA_BYTES         equ     8192
LOAD_SEGMENT            equ     0x2000
LOAD_LINEAR             equ     0x20000
STAGE2_MARK             equ     'TVKN'

ROOT_RECORD             equ     5
ATTR_LIST               equ     0x20
ATTR_DATA               equ     0x80
ATTR_INDEX_ROOT         equ     0x90
ATTR_INDEX_ALLOCATION   equ     0xA0
ATTR_BITMAP             equ     0xB0
FIXUP_STRIDE            equ     512     ; whatever the sector size

; ---------------------------------------------------------------- sector 0
start:
        jmp     short boot
        nop
        times   84 - ($ - $$) db 0      ; OEM name and BPB, the volume's own

boot:
%include "real_mode_entry.inc"
%include "disk_probe.inc"
.load_stage2:
        ; The whole $Boot area over ourselves: sector 0 comes back unchanged.
        mov     ax, BOOT_AREA_BYTES
        xor     dx, dx
        div     word [BPB_BYTES_PER_SECTOR]
        mov     cx, ax
        xor     eax, eax
        mov     bx, STACK_TOP >> 4
        mov     es, bx
        call    read_sectors
        cmp     dword [stage2], STAGE2_MARK
%include "first_sector_end.inc"

; ---------------------------------------------------------------- 7E00
stage2:
        dd      STAGE2_MARK
stage2_entry:
        movzx   eax, byte [BPB_SECTORS_PER_CLUSTER]
        cmp     al, 0x80
        jbe     .cluster_sized
        mov     cl, al
        neg     cl
        mov     eax, 1
        shl     eax, cl
.cluster_sized:
        mov     [SECTORS_PER_CLUSTER], eax
        movsx   ecx, byte [BPB_CLUSTERS_PER_RECORD]
        test    ecx, ecx
        jg      .record_clusters
        neg     cl
        mov     eax, 1
        shl     eax, cl
        jmp     .record_sized
.record_clusters:
        mul     ecx
        movzx   ecx, word [BPB_BYTES_PER_SECTOR]
        mul     ecx
.record_sized:
        cmp     eax, BUFFER_BYTES
        ja      damaged
        mov     [RECORD_BYTES], eax

        ; $MFT's own record, straight from the BPB's MFT cluster.
        mov     eax, [BPB_MFT_CLUSTER]
        mul     dword [SECTORS_PER_CLUSTER]
        push    eax
        mov     ax, [RECORD_BYTES]
        add     ax, [BPB_BYTES_PER_SECTOR]
        dec     ax
        xor     dx, dx
        div     word [BPB_BYTES_PER_SECTOR]
        mov     cx, ax
        pop     eax
        mov     bx, MFT_BUFFER >> 4
        mov     es, bx
        call    read_sectors
        mov     bx, MFT_BUFFER
        call    fix_record
        mov     eax, ATTR_DATA
        xor     cl, cl
        call    find_in_record
        jc      damaged
        call    runs_of
        mov     [MFT_RUNS], si

        ; The root directory: its resident entries first.
        mov     eax, ROOT_RECORD
        mov     di, ROOT_BUFFER
        call    read_record
        push    bx
        mov     eax, ATTR_INDEX_ROOT
        mov     cl, 4                   ; $I30
        mov     di, INDEX_ROOT_BUFFER
        call    find_attribute
        jc      damaged
        cmp     byte [si + 8], 0
        jne     damaged
        add     si, [si + 0x14]         ; the value
        mov     eax, [si + 8]
        cmp     eax, BUFFER_BYTES
        ja      damaged
        mov     [INDEX_BYTES], eax
        lea     bx, [si + 0x10]
        call    scan_entries
        pop     bx

        ; Then every index block in use, in order.
        mov     eax, ATTR_INDEX_ALLOCATION
        mov     cl, 4
        mov     di, INDEX_ALLOCATION_BUFFER
        call    find_attribute
        jc      missing                 ; a small root: no index blocks
        mov     eax, [si + 0x30]        ; bytes in use
        xor     edx, edx
        div     dword [INDEX_BYTES]
        mov     [INDEX_BLOCKS], eax
        call    runs_of
        mov     [INDEX_RUNS], si
        mov     word [INDEX_BITMAP], 0
        mov     eax, ATTR_BITMAP
        mov     cl, 4
        mov     di, BITMAP_BUFFER
        call    find_attribute
        jc      .blocks                 ; no bitmap: take every block
        cmp     byte [si + 8], 0
        jne     .blocks                 ; a large one: likewise
        add     si, [si + 0x14]
        mov     [INDEX_BITMAP], si
.blocks:
        mov     dword [INDEX_NEXT], 0
.block:
        mov     ecx, [INDEX_NEXT]
        cmp     ecx, [INDEX_BLOCKS]
        jae     missing
        inc     dword [INDEX_NEXT]
        mov     bx, [INDEX_BITMAP]
        test    bx, bx
        jz      .read_block
        bt      [bx], cx                ; freed blocks keep stale entries
        jnc     .block
.read_block:
        mov     eax, [INDEX_BYTES]
        mul     ecx
        mov     ecx, [INDEX_BYTES]
        mov     si, [INDEX_RUNS]
        mov     di, INDEX_BUFFER
        call    read_object
        mov     eax, 'INDX'
        mov     ecx, [INDEX_BYTES]
        call    fix_up
        add     bx, 0x18                ; its index header
        call    scan_entries
        jmp     .block

; BX = an index header. Every entry named like the loader is tried; a
; good one does not return.
scan_entries:
        mov     si, bx
        add     si, [bx]                ; first entry
        mov     dx, bx
        add     dx, [bx + 4]            ; end of the entries in use
.entry:
        cmp     si, dx
        jae     .done
        test    byte [si + 0x0C], 2     ; the last entry carries no name
        jnz     .done
        cmp     byte [si + 0x50], LOADER_LENGTH
        jne     .next
        push    si
        add     si, 0x52                ; the name, UTF-16
        mov     di, loader_name
        mov     cx, LOADER_LENGTH
.char:
        lodsw
        cmp     al, 'a'
        jb      .upper
        cmp     al, 'z'
        ja      .upper
        sub     al, 'a' - 'A'
.upper:
        cmp     ax, [di]
        jne     .differs
        inc     di
        inc     di
        loop    .char
        pop     si
        pusha
        call    try_loader
        popa
        jmp     .next
.differs:
        pop     si
.next:
        mov     ax, [si + 8]            ; entry length
        test    ax, ax
        jz      damaged
        add     si, ax
        jmp     .entry
.done:
        ret

; SI = an index entry with the loader's name. Returns if it names no file
; that is there now (a stale entry or a directory); else loads and starts it.
try_loader:
        push    word [si + 6]           ; sequence number of the reference
        mov     eax, [si]               ; record number (low 32 bits)
        mov     di, FILE_BUFFER
        call    read_record
        pop     ax
        cmp     ax, [bx + 0x10]
        jne     .not_it
        mov     al, [bx + 0x16]
        and     al, 3
        cmp     al, 1                   ; in use, not a directory
        je      load_loader
.not_it:
        ret

; BX = the loader's record.
load_loader:
        mov     eax, ATTR_LIST
        xor     cl, cl
        call    find_in_record
        jnc     unreadable              ; its $DATA may lie in other records
        mov     eax, ATTR_DATA
        call    find_in_record
        jc      missing
        test    word [si + 0x0C], 0x4001 ; compressed or encrypted
        jnz     unreadable
        cmp     byte [si + 8], 0
        jne     .runs

        ; Resident: copy it.
        mov     ecx, [si + 0x10]
        test    ecx, ecx
        jz      missing
        mov     eax, ecx
        call    check_fits
        add     si, [si + 0x14]
        push    word LOAD_SEGMENT
        pop     es
        xor     di, di
        rep     movsb
        jmp     start_loader

.runs:
        cmp     dword [si + 0x34], 0
        jne     too_large
        mov     eax, [si + 0x30]        ; data size
        test    eax, eax
        jz      missing
        movzx   ecx, word [BPB_BYTES_PER_SECTOR]
        add     eax, ecx
        dec     eax
        xor     edx, edx
        div     ecx
        push    eax                     ; sectors to load
        mul     ecx
        call    check_fits
        pop     ecx
        call    runs_of
        push    word LOAD_SEGMENT
        pop     es
        xor     eax, eax
        call    read_stream

start_loader:
%include "loader_handoff.inc"

; EAX = bytes to load at 2000:0000: they must stay below the EBDA.
check_fits:
        push    eax
        int     0x12                    ; KiB of conventional memory
        movzx   ebx, ax
        shl     ebx, 10
        pop     eax
        add     eax, LOAD_LINEAR
        jc      too_large
        cmp     eax, ebx
        ja      too_large
        ret

too_large:
        mov     si, msg_too_large
        jmp     fail
unreadable:
        mov     si, msg_unreadable
        jmp     fail
missing:
        mov     si, msg_missing
        jmp     fail
damaged:
        mov     si, msg_damaged
        jmp     fail

; EAX = record number, DI = a buffer -> BX = the record, fixed up.
read_record:
        mul     dword [RECORD_BYTES]
        mov     ecx, [RECORD_BYTES]
        mov     si, [MFT_RUNS]
        call    read_object
fix_record:
        mov     eax, 'FILE'
        mov     ecx, [RECORD_BYTES]
        ; fall through

; BX = a record or index block, EAX = its signature, ECX = its size.
; Puts back the last two bytes of each 512-byte stride from the update
; sequence array after checking they carry the update sequence number.
fix_up:
        cmp     [bx], eax
        jne     damaged
        shr     cx, 9
        mov     si, [bx + 4]            ; update sequence array
        lea     ax, [si + 2]
        add     ax, cx
        add     ax, cx
        cmp     ax, FIXUP_STRIDE - 2    ; it lies in the first stride
        ja      damaged
        inc     cx
        cmp     cx, [bx + 6]
        jne     damaged
        dec     cx
        add     si, bx
        lodsw                           ; the update sequence number
        lea     di, [bx + FIXUP_STRIDE - 2]
.stride:
        cmp     [di], ax
        jne     damaged
        mov     dx, [si]
        mov     [di], dx
        inc     si
        inc     si
        add     di, FIXUP_STRIDE
        loop    .stride
        ret

; EAX = byte offset in a stream, ECX = bytes (at most 4 KiB), SI = the
; stream's data runs, DI = a buffer -> BX = the bytes read into it.
read_object:
        movzx   ebx, word [BPB_BYTES_PER_SECTOR]
        xor     edx, edx
        div     ebx                     ; eax = first sector, edx = offset in it
        push    dx
        push    di
        add     ecx, edx
        add     ecx, ebx
        dec     ecx
        xchg    eax, ecx
        xor     edx, edx
        div     ebx
        xchg    eax, ecx                ; ecx = sectors
        shr     di, 4
        mov     es, di
        call    read_stream
        pop     bx
        pop     dx
        add     bx, dx
        ret

; SI = a non-resident attribute -> SI = its data runs.
runs_of:
        cmp     byte [si + 8], 0
        je      damaged
        add     si, [si + 0x20]
        ret

; BX = a base record, EAX = attribute type, CL = its name length (0:
; unnamed), DI = a buffer -> CF clear and SI = the attribute, in the record
; itself or, through its attribute list, in the one read to DI; or CF set
; when there is none. Only an attribute's first extent is found.
find_attribute:
        call    find_in_record
        jnc     .done
        mov     [WANT_TYPE], eax
        mov     [WANT_NAME], cl
        mov     [WANT_BUFFER], di
        mov     eax, ATTR_LIST
        xor     cl, cl
        call    find_in_record
        jc      .done
        push    bx
        cmp     byte [si + 8], 0
        jne     .list_runs
        mov     cx, [si + 0x10]
        add     si, [si + 0x14]
        jmp     .list
.list_runs:
        mov     eax, [si + 0x30]
        cmp     eax, BUFFER_BYTES
        ja      damaged
        push    ax
        movzx   ecx, word [BPB_BYTES_PER_SECTOR]
        add     eax, ecx
        dec     eax
        xor     edx, edx
        div     ecx
        xchg    eax, ecx
        call    runs_of
        push    word LIST_BUFFER >> 4
        pop     es
        xor     eax, eax
        call    read_stream
        pop     cx
        mov     si, LIST_BUFFER
.list:
        mov     dx, si
        add     dx, cx                  ; end of the list
.entry:
        cmp     si, dx
        jae     .none
        mov     eax, [WANT_TYPE]
        cmp     [si], eax
        jne     .next
        mov     al, [WANT_NAME]
        cmp     [si + 6], al
        jne     .next
        cmp     dword [si + 8], 0       ; starts at cluster 0 of the attribute
        je      .in_record
.next:
        mov     ax, [si + 4]
        test    ax, ax
        jz      damaged
        add     si, ax
        jmp     .entry
.in_record:
        mov     eax, [si + 0x10]        ; the record holding it
        mov     di, [WANT_BUFFER]
        call    read_record
        mov     eax, [WANT_TYPE]
        mov     cl, [WANT_NAME]
        call    find_in_record
        jmp     .pop
.none:
        stc
.pop:
        pop     bx
.done:
        ret

; The same in BX's record alone.
find_in_record:
        mov     si, bx
        add     si, [bx + 0x14]         ; first attribute
.attribute:
        cmp     [si], eax               ; ascending types; FFFFFFFFh ends them
        jb      .next
        jne     .none
        cmp     [si + 9], cl
        je      .found
.next:
        mov     dx, [si + 4]
        cmp     dx, 0x18
        jb      damaged
        add     si, dx
        jmp     .attribute
.none:
        stc
.found:
        ret

; SI = data runs, EAX = first sector in the stream, ECX = sectors, ES =
; destination (offset 0); ES advances past the data. Sparse runs read as
; zeros. Clobbers the general registers.
read_stream:
        mov     [STREAM_RUNS], si
        mov     [STREAM_SECTOR], eax
        mov     [STREAM_LEFT], ecx
.piece:
        mov     eax, [STREAM_SECTOR]
        xor     edx, edx
        div     dword [SECTORS_PER_CLUSTER]
        mov     [STREAM_VCN], eax
        mov     [STREAM_OFFSET], edx
        mov     si, [STREAM_RUNS]
        xor     ebx, ebx                ; first cluster of the run in the stream
        xor     ebp, ebp                ; its cluster on the volume
.run:
        mov     dl, [si]                ; offset bytes << 4 | length bytes
        inc     si
        test    dl, dl
        jz      damaged                 ; the runs end before the data does
        mov     cl, dl
        and     cl, 0x0F
        call    get_number
        mov     edi, eax                ; clusters in the run
        mov     cl, dl
        shr     cl, 4
        call    get_number
        add     ebp, eax                ; relative to the previous run
        mov     eax, [STREAM_VCN]
        sub     eax, ebx
        cmp     eax, edi
        jb      .found
        add     ebx, edi
        jmp     .run
.found:
        test    dl, 0xF0
        setz    [STREAM_SPARSE]
        sub     edi, eax                ; clusters left in the run
        add     eax, ebp
        mul     dword [SECTORS_PER_CLUSTER]
        add     eax, [STREAM_OFFSET]
        push    eax                     ; volume sector
        mov     eax, edi
        mul     dword [SECTORS_PER_CLUSTER]
        sub     eax, [STREAM_OFFSET]    ; sectors left in the run
        cmp     eax, [STREAM_LEFT]
        jbe     .take
        mov     eax, [STREAM_LEFT]
.take:
        add     [STREAM_SECTOR], eax
        sub     [STREAM_LEFT], eax
        mov     cx, ax
        pop     eax
        cmp     byte [STREAM_SPARSE], 0
        jne     .zeros
        call    read_sectors
        jmp     .more
.zeros:
        mov     dx, [BPB_BYTES_PER_SECTOR]
        shr     dx, 4
.zero_sector:
        push    cx
        xor     di, di
        mov     cx, [BPB_BYTES_PER_SECTOR]
        xor     al, al
        rep     stosb
        mov     ax, es
        add     ax, dx
        mov     es, ax
        pop     cx
        loop    .zero_sector
.more:
        cmp     dword [STREAM_LEFT], 0
        jne     .piece
        ret

; SI = a little-endian number of CL bytes (0-8) -> EAX = its low 32 bits,
; sign-extended from its top byte; SI advances past it. Clobbers CX.
get_number:
        xor     eax, eax
        movzx   cx, cl
        jcxz    .done
        add     si, cx
        push    si
        dec     si
        movsx   eax, byte [si]
.byte:
        dec     cx
        jz      .popped
        dec     si
        shl     eax, 8
        mov     al, [si]
        jmp     .byte
.popped:
        pop     si
.done:
        ret

loader_name:            dw      __utf16__(LOADER_NAME)
msg_missing:            db      LOADER_NAME, ' is missing', 0
msg_too_large:          db      LOADER_NAME, ' is too large', 0
msg_unreadable:         db      LOADER_NAME, ' is compressed, encrypted or too fragmented', 0
msg_damaged:            db      'the NTFS volume is damaged', 0

code_end:
        times   BOOT_AREA_BYTES - ($ - $$) db 0
