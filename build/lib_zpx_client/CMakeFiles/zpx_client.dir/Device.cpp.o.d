lib_zpx_client/CMakeFiles/zpx_client.dir/Device.cpp.o: \
 /work/main/lib_zpx_client/Device.cpp /usr/include/stdc-predef.h \
 /work/main/lib_zpx_client/Device.h \
 /work/main/lib_zpx_client/Connection.h \
 /work/main/lib_zpx_client/Message.h \
 /work/main/lib_zpx_client/MessageType.h /usr/include/c++/12/cstdint \
 /usr/include/x86_64-linux-gnu/c++/12/bits/c++config.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/os_defines.h \
 /usr/include/features.h /usr/include/features-time64.h \
 /usr/include/x86_64-linux-gnu/bits/wordsize.h \
 /usr/include/x86_64-linux-gnu/bits/timesize.h \
 /usr/include/x86_64-linux-gnu/sys/cdefs.h \
 /usr/include/x86_64-linux-gnu/bits/long-double.h \
 /usr/include/x86_64-linux-gnu/gnu/stubs.h \
 /usr/include/x86_64-linux-gnu/gnu/stubs-64.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/cpu_defines.h \
 /usr/include/c++/12/pstl/pstl_config.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/stdint.h /usr/include/stdint.h \
 /usr/include/x86_64-linux-gnu/bits/libc-header-start.h \
 /usr/include/x86_64-linux-gnu/bits/types.h \
 /usr/include/x86_64-linux-gnu/bits/typesizes.h \
 /usr/include/x86_64-linux-gnu/bits/time64.h \
 /usr/include/x86_64-linux-gnu/bits/wchar.h \
 /usr/include/x86_64-linux-gnu/bits/stdint-intn.h \
 /usr/include/x86_64-linux-gnu/bits/stdint-uintn.h \
 /usr/include/c++/12/string /usr/include/c++/12/bits/stringfwd.h \
 /usr/include/c++/12/bits/memoryfwd.h \
 /usr/include/c++/12/bits/char_traits.h \
 /usr/include/c++/12/bits/postypes.h /usr/include/c++/12/cwchar \
 /usr/include/wchar.h /usr/include/x86_64-linux-gnu/bits/floatn.h \
 /usr/include/x86_64-linux-gnu/bits/floatn-common.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/stddef.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/stdarg.h \
 /usr/include/x86_64-linux-gnu/bits/types/wint_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/mbstate_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__mbstate_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__FILE.h \
 /usr/include/x86_64-linux-gnu/bits/types/FILE.h \
 /usr/include/x86_64-linux-gnu/bits/types/locale_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__locale_t.h \
 /usr/include/c++/12/type_traits /usr/include/c++/12/bits/allocator.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/c++allocator.h \
 /usr/include/c++/12/bits/new_allocator.h /usr/include/c++/12/new \
 /usr/include/c++/12/bits/exception.h \
 /usr/include/c++/12/bits/functexcept.h \
 /usr/include/c++/12/bits/exception_defines.h \
 /usr/include/c++/12/bits/move.h \
 /usr/include/c++/12/bits/cpp_type_traits.h \
 /usr/include/c++/12/bits/localefwd.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/c++locale.h \
 /usr/include/c++/12/clocale /usr/include/locale.h \
 /usr/include/x86_64-linux-gnu/bits/locale.h /usr/include/c++/12/iosfwd \
 /usr/include/c++/12/cctype /usr/include/ctype.h \
 /usr/include/x86_64-linux-gnu/bits/endian.h \
 /usr/include/x86_64-linux-gnu/bits/endianness.h \
 /usr/include/c++/12/bits/ostream_insert.h \
 /usr/include/c++/12/bits/cxxabi_forced.h \
 /usr/include/c++/12/bits/stl_iterator_base_types.h \
 /usr/include/c++/12/bits/stl_iterator_base_funcs.h \
 /usr/include/c++/12/bits/concept_check.h \
 /usr/include/c++/12/debug/assertions.h \
 /usr/include/c++/12/bits/stl_iterator.h \
 /usr/include/c++/12/ext/type_traits.h \
 /usr/include/c++/12/bits/ptr_traits.h \
 /usr/include/c++/12/bits/stl_function.h \
 /usr/include/c++/12/backward/binders.h \
 /usr/include/c++/12/ext/numeric_traits.h \
 /usr/include/c++/12/bits/stl_algobase.h \
 /usr/include/c++/12/bits/stl_pair.h /usr/include/c++/12/bits/utility.h \
 /usr/include/c++/12/debug/debug.h \
 /usr/include/c++/12/bits/predefined_ops.h \
 /usr/include/c++/12/bits/refwrap.h /usr/include/c++/12/bits/invoke.h \
 /usr/include/c++/12/bits/range_access.h \
 /usr/include/c++/12/initializer_list \
 /usr/include/c++/12/bits/basic_string.h \
 /usr/include/c++/12/ext/alloc_traits.h \
 /usr/include/c++/12/bits/alloc_traits.h \
 /usr/include/c++/12/bits/stl_construct.h /usr/include/c++/12/string_view \
 /usr/include/c++/12/bits/functional_hash.h \
 /usr/include/c++/12/bits/hash_bytes.h \
 /usr/include/c++/12/bits/string_view.tcc \
 /usr/include/c++/12/ext/string_conversions.h /usr/include/c++/12/cstdlib \
 /usr/include/stdlib.h /usr/include/x86_64-linux-gnu/bits/waitflags.h \
 /usr/include/x86_64-linux-gnu/bits/waitstatus.h \
 /usr/include/x86_64-linux-gnu/sys/types.h \
 /usr/include/x86_64-linux-gnu/bits/types/clock_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/clockid_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/time_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/timer_t.h /usr/include/endian.h \
 /usr/include/x86_64-linux-gnu/bits/byteswap.h \
 /usr/include/x86_64-linux-gnu/bits/uintn-identity.h \
 /usr/include/x86_64-linux-gnu/sys/select.h \
 /usr/include/x86_64-linux-gnu/bits/select.h \
 /usr/include/x86_64-linux-gnu/bits/types/sigset_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__sigset_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_timeval.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_timespec.h \
 /usr/include/x86_64-linux-gnu/bits/pthreadtypes.h \
 /usr/include/x86_64-linux-gnu/bits/thread-shared-types.h \
 /usr/include/x86_64-linux-gnu/bits/pthreadtypes-arch.h \
 /usr/include/x86_64-linux-gnu/bits/atomic_wide_counter.h \
 /usr/include/x86_64-linux-gnu/bits/struct_mutex.h \
 /usr/include/x86_64-linux-gnu/bits/struct_rwlock.h /usr/include/alloca.h \
 /usr/include/x86_64-linux-gnu/bits/stdlib-bsearch.h \
 /usr/include/x86_64-linux-gnu/bits/stdlib-float.h \
 /usr/include/c++/12/bits/std_abs.h /usr/include/c++/12/cstdio \
 /usr/include/stdio.h /usr/include/x86_64-linux-gnu/bits/types/__fpos_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__fpos64_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_FILE.h \
 /usr/include/x86_64-linux-gnu/bits/types/cookie_io_functions_t.h \
 /usr/include/x86_64-linux-gnu/bits/stdio_lim.h \
 /usr/include/x86_64-linux-gnu/bits/stdio.h /usr/include/c++/12/cerrno \
 /usr/include/errno.h /usr/include/x86_64-linux-gnu/bits/errno.h \
 /usr/include/linux/errno.h /usr/include/x86_64-linux-gnu/asm/errno.h \
 /usr/include/asm-generic/errno.h /usr/include/asm-generic/errno-base.h \
 /usr/include/x86_64-linux-gnu/bits/types/error_t.h \
 /usr/include/c++/12/bits/charconv.h \
 /usr/include/c++/12/bits/basic_string.tcc /usr/include/c++/12/algorithm \
 /usr/include/c++/12/bits/stl_algo.h \
 /usr/include/c++/12/bits/algorithmfwd.h \
 /usr/include/c++/12/bits/stl_heap.h \
 /usr/include/c++/12/bits/stl_tempbuf.h \
 /usr/include/c++/12/bits/uniform_int_dist.h \
 /usr/include/c++/12/pstl/glue_algorithm_defs.h \
 /usr/include/c++/12/pstl/execution_defs.h /usr/include/c++/12/array \
 /usr/include/c++/12/compare /usr/include/c++/12/cstddef \
 /usr/include/c++/12/cstring /usr/include/string.h /usr/include/strings.h \
 /usr/include/c++/12/vector /usr/include/c++/12/bits/stl_uninitialized.h \
 /usr/include/c++/12/bits/stl_vector.h \
 /usr/include/c++/12/bits/stl_bvector.h \
 /usr/include/c++/12/bits/vector.tcc \
 /work/main/lib_zpx_client/OwnedMessage.h /usr/include/c++/12/memory \
 /usr/include/c++/12/bits/stl_raw_storage_iter.h \
 /usr/include/c++/12/bits/align.h /usr/include/c++/12/bit \
 /usr/include/c++/12/bits/uses_allocator.h \
 /usr/include/c++/12/bits/unique_ptr.h /usr/include/c++/12/tuple \
 /usr/include/c++/12/bits/shared_ptr.h \
 /usr/include/c++/12/bits/shared_ptr_base.h /usr/include/c++/12/typeinfo \
 /usr/include/c++/12/bits/allocated_ptr.h \
 /usr/include/c++/12/ext/aligned_buffer.h \
 /usr/include/c++/12/ext/atomicity.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/gthr.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/gthr-default.h \
 /usr/include/pthread.h /usr/include/sched.h \
 /usr/include/x86_64-linux-gnu/bits/sched.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_sched_param.h \
 /usr/include/x86_64-linux-gnu/bits/cpu-set.h /usr/include/time.h \
 /usr/include/x86_64-linux-gnu/bits/time.h \
 /usr/include/x86_64-linux-gnu/bits/timex.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_tm.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_itimerspec.h \
 /usr/include/x86_64-linux-gnu/bits/setjmp.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct___jmp_buf_tag.h \
 /usr/include/x86_64-linux-gnu/bits/pthread_stack_min-dynamic.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/atomic_word.h \
 /usr/include/x86_64-linux-gnu/sys/single_threaded.h \
 /usr/include/c++/12/ext/concurrence.h /usr/include/c++/12/exception \
 /usr/include/c++/12/bits/exception_ptr.h \
 /usr/include/c++/12/bits/cxxabi_init_exception.h \
 /usr/include/c++/12/bits/nested_exception.h \
 /usr/include/c++/12/bits/shared_ptr_atomic.h \
 /usr/include/c++/12/bits/atomic_base.h \
 /usr/include/c++/12/bits/atomic_lockfree_defines.h \
 /usr/include/c++/12/backward/auto_ptr.h \
 /usr/include/c++/12/pstl/glue_memory_defs.h \
 /work/main/lib_zpx_client/TreadSafeQueue.h /usr/include/c++/12/chrono \
 /usr/include/c++/12/bits/chrono.h /usr/include/c++/12/ratio \
 /usr/include/c++/12/limits /usr/include/c++/12/ctime \
 /usr/include/c++/12/bits/parse_numbers.h \
 /usr/include/c++/12/condition_variable \
 /usr/include/c++/12/bits/std_mutex.h /usr/include/c++/12/system_error \
 /usr/include/x86_64-linux-gnu/c++/12/bits/error_constants.h \
 /usr/include/c++/12/stdexcept /usr/include/c++/12/bits/unique_lock.h \
 /usr/include/c++/12/deque /usr/include/c++/12/bits/stl_deque.h \
 /usr/include/c++/12/bits/deque.tcc /usr/include/c++/12/mutex \
 /usr/include/asio/io_context.hpp /usr/include/asio/detail/config.hpp \
 /usr/include/unistd.h /usr/include/x86_64-linux-gnu/bits/posix_opt.h \
 /usr/include/x86_64-linux-gnu/bits/environments.h \
 /usr/include/x86_64-linux-gnu/bits/confname.h \
 /usr/include/x86_64-linux-gnu/bits/getopt_posix.h \
 /usr/include/x86_64-linux-gnu/bits/getopt_core.h \
 /usr/include/x86_64-linux-gnu/bits/unistd_ext.h \
 /usr/include/linux/close_range.h /usr/include/linux/version.h \
 /usr/include/asio/async_result.hpp \
 /usr/include/asio/detail/type_traits.hpp \
 /usr/include/asio/detail/variadic_templates.hpp \
 /usr/include/asio/detail/push_options.hpp \
 /usr/include/asio/detail/pop_options.hpp \
 /usr/include/asio/detail/concurrency_hint.hpp \
 /usr/include/asio/detail/noncopyable.hpp \
 /usr/include/asio/detail/cstdint.hpp \
 /usr/include/asio/detail/wrapped_handler.hpp \
 /usr/include/asio/detail/bind_handler.hpp \
 /usr/include/asio/associator.hpp \
 /usr/include/asio/detail/handler_alloc_helpers.hpp \
 /usr/include/asio/detail/memory.hpp \
 /usr/include/asio/detail/throw_exception.hpp \
 /usr/include/asio/detail/recycling_allocator.hpp \
 /usr/include/asio/detail/thread_context.hpp /usr/include/c++/12/climits \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/limits.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/syslimits.h \
 /usr/include/limits.h /usr/include/x86_64-linux-gnu/bits/posix1_lim.h \
 /usr/include/x86_64-linux-gnu/bits/local_lim.h \
 /usr/include/linux/limits.h \
 /usr/include/x86_64-linux-gnu/bits/posix2_lim.h \
 /usr/include/x86_64-linux-gnu/bits/xopen_lim.h \
 /usr/include/x86_64-linux-gnu/bits/uio_lim.h \
 /usr/include/asio/detail/call_stack.hpp \
 /usr/include/asio/detail/tss_ptr.hpp \
 /usr/include/asio/detail/keyword_tss_ptr.hpp \
 /usr/include/asio/detail/impl/thread_context.ipp \
 /usr/include/asio/detail/thread_info_base.hpp \
 /usr/include/asio/multiple_exceptions.hpp \
 /usr/include/asio/impl/multiple_exceptions.ipp \
 /usr/include/asio/associated_allocator.hpp \
 /usr/include/asio/detail/functional.hpp /usr/include/c++/12/functional \
 /usr/include/c++/12/bits/std_function.h \
 /usr/include/c++/12/unordered_map /usr/include/c++/12/bits/hashtable.h \
 /usr/include/c++/12/bits/hashtable_policy.h \
 /usr/include/c++/12/bits/enable_special_members.h \
 /usr/include/c++/12/bits/node_handle.h \
 /usr/include/c++/12/bits/unordered_map.h \
 /usr/include/c++/12/bits/erase_if.h \
 /usr/include/asio/handler_alloc_hook.hpp \
 /usr/include/asio/impl/handler_alloc_hook.ipp \
 /usr/include/asio/detail/handler_cont_helpers.hpp \
 /usr/include/asio/handler_continuation_hook.hpp \
 /usr/include/asio/detail/handler_invoke_helpers.hpp \
 /usr/include/asio/handler_invoke_hook.hpp \
 /usr/include/asio/error_code.hpp /usr/include/asio/impl/error_code.ipp \
 /usr/include/asio/detail/local_free_on_block_exit.hpp \
 /usr/include/asio/detail/socket_types.hpp \
 /usr/include/x86_64-linux-gnu/sys/ioctl.h \
 /usr/include/x86_64-linux-gnu/bits/ioctls.h \
 /usr/include/x86_64-linux-gnu/asm/ioctls.h \
 /usr/include/asm-generic/ioctls.h /usr/include/linux/ioctl.h \
 /usr/include/x86_64-linux-gnu/asm/ioctl.h \
 /usr/include/asm-generic/ioctl.h \
 /usr/include/x86_64-linux-gnu/bits/ioctl-types.h \
 /usr/include/x86_64-linux-gnu/sys/ttydefaults.h /usr/include/poll.h \
 /usr/include/x86_64-linux-gnu/sys/poll.h \
 /usr/include/x86_64-linux-gnu/bits/poll.h \
 /usr/include/x86_64-linux-gnu/sys/stat.h \
 /usr/include/x86_64-linux-gnu/bits/stat.h \
 /usr/include/x86_64-linux-gnu/bits/struct_stat.h \
 /usr/include/x86_64-linux-gnu/bits/statx.h /usr/include/linux/stat.h \
 /usr/include/linux/types.h /usr/include/x86_64-linux-gnu/asm/types.h \
 /usr/include/asm-generic/types.h /usr/include/asm-generic/int-ll64.h \
 /usr/include/x86_64-linux-gnu/asm/bitsperlong.h \
 /usr/include/asm-generic/bitsperlong.h /usr/include/linux/posix_types.h \
 /usr/include/linux/stddef.h \
 /usr/include/x86_64-linux-gnu/asm/posix_types.h \
 /usr/include/x86_64-linux-gnu/asm/posix_types_64.h \
 /usr/include/asm-generic/posix_types.h \
 /usr/include/x86_64-linux-gnu/bits/statx-generic.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_statx_timestamp.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_statx.h \
 /usr/include/fcntl.h /usr/include/x86_64-linux-gnu/bits/fcntl.h \
 /usr/include/x86_64-linux-gnu/bits/fcntl-linux.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_iovec.h \
 /usr/include/linux/falloc.h /usr/include/x86_64-linux-gnu/sys/socket.h \
 /usr/include/x86_64-linux-gnu/bits/socket.h \
 /usr/include/x86_64-linux-gnu/bits/socket_type.h \
 /usr/include/x86_64-linux-gnu/bits/sockaddr.h \
 /usr/include/x86_64-linux-gnu/asm/socket.h \
 /usr/include/asm-generic/socket.h \
 /usr/include/x86_64-linux-gnu/asm/sockios.h \
 /usr/include/asm-generic/sockios.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_osockaddr.h \
 /usr/include/x86_64-linux-gnu/sys/uio.h \
 /usr/include/x86_64-linux-gnu/bits/uio-ext.h \
 /usr/include/x86_64-linux-gnu/sys/un.h /usr/include/netinet/in.h \
 /usr/include/x86_64-linux-gnu/bits/in.h /usr/include/netinet/tcp.h \
 /usr/include/arpa/inet.h /usr/include/netdb.h /usr/include/rpc/netdb.h \
 /usr/include/x86_64-linux-gnu/bits/types/sigevent_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/__sigval_t.h \
 /usr/include/x86_64-linux-gnu/bits/netdb.h /usr/include/net/if.h \
 /usr/include/asio/execution.hpp \
 /usr/include/asio/execution/allocator.hpp \
 /usr/include/asio/execution/executor.hpp \
 /usr/include/asio/execution/execute.hpp \
 /usr/include/asio/execution/detail/as_invocable.hpp \
 /usr/include/asio/detail/atomic_count.hpp /usr/include/c++/12/atomic \
 /usr/include/asio/execution/receiver_invocation_error.hpp \
 /usr/include/asio/execution/impl/receiver_invocation_error.ipp \
 /usr/include/asio/execution/set_done.hpp \
 /usr/include/asio/traits/set_done_member.hpp \
 /usr/include/asio/traits/set_done_free.hpp \
 /usr/include/asio/execution/set_error.hpp \
 /usr/include/asio/traits/set_error_member.hpp \
 /usr/include/asio/traits/set_error_free.hpp \
 /usr/include/asio/execution/set_value.hpp \
 /usr/include/asio/traits/set_value_member.hpp \
 /usr/include/asio/traits/set_value_free.hpp \
 /usr/include/asio/execution/detail/as_receiver.hpp \
 /usr/include/asio/traits/execute_member.hpp \
 /usr/include/asio/traits/execute_free.hpp \
 /usr/include/asio/execution/invocable_archetype.hpp \
 /usr/include/asio/traits/equality_comparable.hpp \
 /usr/include/asio/execution/scheduler.hpp \
 /usr/include/asio/execution/schedule.hpp \
 /usr/include/asio/traits/schedule_member.hpp \
 /usr/include/asio/traits/schedule_free.hpp \
 /usr/include/asio/execution/sender.hpp \
 /usr/include/asio/execution/detail/void_receiver.hpp \
 /usr/include/asio/execution/receiver.hpp \
 /usr/include/asio/execution/connect.hpp \
 /usr/include/asio/execution/detail/as_operation.hpp \
 /usr/include/asio/traits/start_member.hpp \
 /usr/include/asio/execution/operation_state.hpp \
 /usr/include/asio/execution/start.hpp \
 /usr/include/asio/traits/start_free.hpp \
 /usr/include/asio/traits/connect_member.hpp \
 /usr/include/asio/traits/connect_free.hpp \
 /usr/include/asio/is_applicable_property.hpp \
 /usr/include/asio/traits/query_static_constexpr_member.hpp \
 /usr/include/asio/traits/static_query.hpp \
 /usr/include/asio/execution/any_executor.hpp \
 /usr/include/asio/detail/assert.hpp /usr/include/c++/12/cassert \
 /usr/include/assert.h /usr/include/asio/detail/cstddef.hpp \
 /usr/include/asio/detail/executor_function.hpp \
 /usr/include/asio/detail/non_const_lvalue.hpp \
 /usr/include/asio/detail/scoped_ptr.hpp \
 /usr/include/asio/execution/bad_executor.hpp \
 /usr/include/asio/execution/impl/bad_executor.ipp \
 /usr/include/asio/execution/blocking.hpp /usr/include/asio/prefer.hpp \
 /usr/include/asio/traits/prefer_free.hpp \
 /usr/include/asio/traits/prefer_member.hpp \
 /usr/include/asio/traits/require_free.hpp \
 /usr/include/asio/traits/require_member.hpp \
 /usr/include/asio/traits/static_require.hpp /usr/include/asio/query.hpp \
 /usr/include/asio/traits/query_member.hpp \
 /usr/include/asio/traits/query_free.hpp /usr/include/asio/require.hpp \
 /usr/include/asio/execution/blocking_adaptation.hpp \
 /usr/include/asio/detail/event.hpp \
 /usr/include/asio/detail/posix_event.hpp \
 /usr/include/asio/detail/impl/posix_event.ipp \
 /usr/include/asio/detail/throw_error.hpp \
 /usr/include/asio/detail/impl/throw_error.ipp \
 /usr/include/asio/system_error.hpp /usr/include/asio/error.hpp \
 /usr/include/asio/impl/error.ipp /usr/include/asio/detail/mutex.hpp \
 /usr/include/asio/detail/posix_mutex.hpp \
 /usr/include/asio/detail/scoped_lock.hpp \
 /usr/include/asio/detail/impl/posix_mutex.ipp \
 /usr/include/asio/execution/bulk_execute.hpp \
 /usr/include/asio/execution/bulk_guarantee.hpp \
 /usr/include/asio/execution/detail/bulk_sender.hpp \
 /usr/include/asio/traits/bulk_execute_member.hpp \
 /usr/include/asio/traits/bulk_execute_free.hpp \
 /usr/include/asio/execution/context.hpp /usr/include/c++/12/any \
 /usr/include/asio/execution/context_as.hpp \
 /usr/include/asio/execution/mapping.hpp \
 /usr/include/asio/execution/occupancy.hpp \
 /usr/include/asio/execution/outstanding_work.hpp \
 /usr/include/asio/execution/prefer_only.hpp \
 /usr/include/asio/execution/relationship.hpp \
 /usr/include/asio/execution/submit.hpp \
 /usr/include/asio/execution/detail/submit_receiver.hpp \
 /usr/include/asio/traits/submit_member.hpp \
 /usr/include/asio/traits/submit_free.hpp \
 /usr/include/asio/execution_context.hpp \
 /usr/include/asio/impl/execution_context.hpp \
 /usr/include/asio/detail/handler_type_requirements.hpp \
 /usr/include/asio/detail/service_registry.hpp \
 /usr/include/asio/detail/impl/service_registry.hpp \
 /usr/include/asio/detail/impl/service_registry.ipp \
 /usr/include/asio/impl/execution_context.ipp \
 /usr/include/asio/detail/chrono.hpp \
 /usr/include/asio/detail/scheduler.hpp \
 /usr/include/asio/detail/conditionally_enabled_event.hpp \
 /usr/include/asio/detail/conditionally_enabled_mutex.hpp \
 /usr/include/asio/detail/null_event.hpp \
 /usr/include/asio/detail/impl/null_event.ipp \
 /usr/include/asio/detail/op_queue.hpp \
 /usr/include/asio/detail/scheduler_operation.hpp \
 /usr/include/asio/detail/handler_tracking.hpp \
 /usr/include/asio/detail/impl/handler_tracking.ipp \
 /usr/include/asio/detail/scheduler_task.hpp \
 /usr/include/asio/detail/thread.hpp \
 /usr/include/asio/detail/posix_thread.hpp \
 /usr/include/asio/detail/impl/posix_thread.ipp \
 /usr/include/asio/detail/impl/scheduler.ipp \
 /usr/include/asio/detail/limits.hpp \
 /usr/include/asio/detail/scheduler_thread_info.hpp \
 /usr/include/asio/detail/signal_blocker.hpp \
 /usr/include/asio/detail/posix_signal_blocker.hpp \
 /usr/include/c++/12/csignal /usr/include/signal.h \
 /usr/include/x86_64-linux-gnu/bits/signum-generic.h \
 /usr/include/x86_64-linux-gnu/bits/signum-arch.h \
 /usr/include/x86_64-linux-gnu/bits/types/sig_atomic_t.h \
 /usr/include/x86_64-linux-gnu/bits/types/siginfo_t.h \
 /usr/include/x86_64-linux-gnu/bits/siginfo-arch.h \
 /usr/include/x86_64-linux-gnu/bits/siginfo-consts.h \
 /usr/include/x86_64-linux-gnu/bits/siginfo-consts-arch.h \
 /usr/include/x86_64-linux-gnu/bits/types/sigval_t.h \
 /usr/include/x86_64-linux-gnu/bits/sigevent-consts.h \
 /usr/include/x86_64-linux-gnu/bits/sigaction.h \
 /usr/include/x86_64-linux-gnu/bits/sigcontext.h \
 /usr/include/x86_64-linux-gnu/bits/types/stack_t.h \
 /usr/include/x86_64-linux-gnu/sys/ucontext.h \
 /usr/include/x86_64-linux-gnu/bits/sigstack.h \
 /usr/include/x86_64-linux-gnu/bits/sigstksz.h \
 /usr/include/x86_64-linux-gnu/bits/ss_flags.h \
 /usr/include/x86_64-linux-gnu/bits/types/struct_sigstack.h \
 /usr/include/x86_64-linux-gnu/bits/sigthread.h \
 /usr/include/x86_64-linux-gnu/bits/signal_ext.h \
 /usr/include/asio/detail/reactor.hpp \
 /usr/include/asio/detail/epoll_reactor.hpp \
 /usr/include/asio/detail/object_pool.hpp \
 /usr/include/asio/detail/reactor_op.hpp \
 /usr/include/asio/detail/operation.hpp \
 /usr/include/asio/detail/select_interrupter.hpp \
 /usr/include/asio/detail/eventfd_select_interrupter.hpp \
 /usr/include/asio/detail/impl/eventfd_select_interrupter.ipp \
 /usr/include/x86_64-linux-gnu/sys/eventfd.h \
 /usr/include/x86_64-linux-gnu/bits/eventfd.h \
 /usr/include/asio/detail/timer_queue_base.hpp \
 /usr/include/asio/detail/timer_queue_set.hpp \
 /usr/include/asio/detail/impl/timer_queue_set.ipp \
 /usr/include/asio/detail/wait_op.hpp \
 /usr/include/x86_64-linux-gnu/sys/timerfd.h \
 /usr/include/x86_64-linux-gnu/bits/timerfd.h \
 /usr/include/asio/detail/impl/epoll_reactor.hpp \
 /usr/include/asio/detail/impl/epoll_reactor.ipp \
 /usr/include/x86_64-linux-gnu/sys/epoll.h \
 /usr/include/x86_64-linux-gnu/bits/epoll.h \
 /usr/include/asio/impl/io_context.hpp \
 /usr/include/asio/detail/completion_handler.hpp \
 /usr/include/asio/detail/fenced_block.hpp \
 /usr/include/asio/detail/std_fenced_block.hpp \
 /usr/include/asio/detail/handler_work.hpp \
 /usr/include/asio/associated_executor.hpp \
 /usr/include/asio/is_executor.hpp \
 /usr/include/asio/detail/is_executor.hpp \
 /usr/include/asio/system_executor.hpp \
 /usr/include/asio/impl/system_executor.hpp \
 /usr/include/asio/detail/executor_op.hpp \
 /usr/include/asio/detail/global.hpp \
 /usr/include/asio/detail/posix_global.hpp \
 /usr/include/asio/system_context.hpp \
 /usr/include/asio/detail/thread_group.hpp \
 /usr/include/asio/impl/system_context.hpp \
 /usr/include/asio/impl/system_context.ipp \
 /usr/include/asio/executor_work_guard.hpp \
 /usr/include/asio/impl/io_context.ipp /usr/include/asio/ip/tcp.hpp \
 /usr/include/asio/basic_socket_acceptor.hpp \
 /usr/include/asio/any_io_executor.hpp \
 /usr/include/asio/impl/any_io_executor.ipp \
 /usr/include/asio/basic_socket.hpp \
 /usr/include/asio/detail/io_object_impl.hpp /usr/include/asio/post.hpp \
 /usr/include/asio/impl/post.hpp \
 /usr/include/asio/detail/work_dispatcher.hpp \
 /usr/include/asio/socket_base.hpp \
 /usr/include/asio/detail/io_control.hpp \
 /usr/include/asio/detail/socket_option.hpp \
 /usr/include/asio/detail/reactive_socket_service.hpp \
 /usr/include/asio/buffer.hpp /usr/include/asio/detail/array_fwd.hpp \
 /usr/include/asio/detail/string_view.hpp \
 /usr/include/asio/detail/is_buffer_sequence.hpp \
 /usr/include/asio/detail/buffer_sequence_adapter.hpp \
 /usr/include/asio/registered_buffer.hpp \
 /usr/include/asio/detail/impl/buffer_sequence_adapter.ipp \
 /usr/include/asio/detail/reactive_null_buffers_op.hpp \
 /usr/include/asio/detail/reactive_socket_accept_op.hpp \
 /usr/include/asio/detail/socket_holder.hpp \
 /usr/include/asio/detail/socket_ops.hpp \
 /usr/include/asio/detail/impl/socket_ops.ipp \
 /usr/include/asio/detail/reactive_socket_connect_op.hpp \
 /usr/include/asio/detail/reactive_socket_recvfrom_op.hpp \
 /usr/include/asio/detail/reactive_socket_sendto_op.hpp \
 /usr/include/asio/detail/reactive_socket_service_base.hpp \
 /usr/include/asio/associated_cancellation_slot.hpp \
 /usr/include/asio/cancellation_signal.hpp /usr/include/c++/12/utility \
 /usr/include/c++/12/bits/stl_relops.h \
 /usr/include/asio/cancellation_type.hpp \
 /usr/include/asio/impl/cancellation_signal.ipp \
 /usr/include/asio/detail/reactive_socket_recv_op.hpp \
 /usr/include/asio/detail/reactive_socket_recvmsg_op.hpp \
 /usr/include/asio/detail/reactive_socket_send_op.hpp \
 /usr/include/asio/detail/reactive_wait_op.hpp \
 /usr/include/asio/detail/impl/reactive_socket_service_base.ipp \
 /usr/include/asio/basic_socket_iostream.hpp /usr/include/c++/12/istream \
 /usr/include/c++/12/ios /usr/include/c++/12/bits/ios_base.h \
 /usr/include/c++/12/bits/locale_classes.h \
 /usr/include/c++/12/bits/locale_classes.tcc \
 /usr/include/c++/12/streambuf /usr/include/c++/12/bits/streambuf.tcc \
 /usr/include/c++/12/bits/basic_ios.h \
 /usr/include/c++/12/bits/locale_facets.h /usr/include/c++/12/cwctype \
 /usr/include/wctype.h /usr/include/x86_64-linux-gnu/bits/wctype-wchar.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/ctype_base.h \
 /usr/include/c++/12/bits/streambuf_iterator.h \
 /usr/include/x86_64-linux-gnu/c++/12/bits/ctype_inline.h \
 /usr/include/c++/12/bits/locale_facets.tcc \
 /usr/include/c++/12/bits/basic_ios.tcc /usr/include/c++/12/ostream \
 /usr/include/c++/12/bits/ostream.tcc \
 /usr/include/c++/12/bits/istream.tcc \
 /usr/include/asio/basic_socket_streambuf.hpp \
 /usr/include/asio/basic_stream_socket.hpp \
 /usr/include/asio/steady_timer.hpp \
 /usr/include/asio/basic_waitable_timer.hpp \
 /usr/include/asio/detail/chrono_time_traits.hpp \
 /usr/include/asio/detail/deadline_timer_service.hpp \
 /usr/include/asio/detail/timer_queue.hpp \
 /usr/include/asio/detail/date_time_fwd.hpp \
 /usr/include/asio/detail/timer_queue_ptime.hpp \
 /usr/include/asio/detail/timer_scheduler.hpp \
 /usr/include/asio/detail/timer_scheduler_fwd.hpp \
 /usr/include/asio/detail/wait_handler.hpp \
 /usr/include/asio/wait_traits.hpp \
 /usr/include/asio/ip/basic_endpoint.hpp /usr/include/asio/ip/address.hpp \
 /usr/include/asio/ip/address_v4.hpp /usr/include/asio/detail/array.hpp \
 /usr/include/asio/detail/winsock_init.hpp \
 /usr/include/asio/ip/impl/address_v4.hpp \
 /usr/include/asio/ip/impl/address_v4.ipp \
 /usr/include/asio/ip/address_v6.hpp \
 /usr/include/asio/ip/impl/address_v6.hpp \
 /usr/include/asio/ip/impl/address_v6.ipp \
 /usr/include/asio/ip/bad_address_cast.hpp \
 /usr/include/asio/ip/impl/address.hpp \
 /usr/include/asio/ip/impl/address.ipp \
 /usr/include/asio/ip/detail/endpoint.hpp \
 /usr/include/asio/ip/detail/impl/endpoint.ipp \
 /usr/include/c++/12/sstream /usr/include/c++/12/bits/sstream.tcc \
 /usr/include/asio/ip/impl/basic_endpoint.hpp \
 /usr/include/asio/ip/basic_resolver.hpp \
 /usr/include/asio/ip/basic_resolver_iterator.hpp \
 /usr/include/c++/12/iterator /usr/include/c++/12/bits/stream_iterator.h \
 /usr/include/asio/ip/basic_resolver_entry.hpp \
 /usr/include/asio/ip/basic_resolver_query.hpp \
 /usr/include/asio/ip/resolver_query_base.hpp \
 /usr/include/asio/ip/resolver_base.hpp \
 /usr/include/asio/ip/basic_resolver_results.hpp \
 /usr/include/asio/detail/resolver_service.hpp \
 /usr/include/asio/detail/resolve_endpoint_op.hpp \
 /usr/include/asio/detail/resolve_op.hpp \
 /usr/include/asio/detail/resolve_query_op.hpp \
 /usr/include/asio/detail/resolver_service_base.hpp \
 /usr/include/asio/detail/impl/resolver_service_base.ipp \
 /work/main/lib_zpx_client/DeviceError.h \
 /work/main/lib_zpx_client/SegmentInfo.h \
 /usr/include/opencv4/opencv2/core/mat.hpp \
 /usr/include/opencv4/opencv2/core/matx.hpp \
 /usr/include/opencv4/opencv2/core/cvdef.h \
 /usr/include/opencv4/opencv2/core/version.hpp \
 /usr/include/opencv4/opencv2/core/hal/interface.h \
 /usr/include/opencv4/opencv2/core/cv_cpu_dispatch.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/emmintrin.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/xmmintrin.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/mmintrin.h \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/mm_malloc.h \
 /usr/include/c++/12/stdlib.h /usr/include/opencv4/opencv2/core/base.hpp \
 /usr/include/opencv4/opencv2/opencv_modules.hpp \
 /usr/include/opencv4/opencv2/core/cvstd.hpp /usr/include/c++/12/cmath \
 /usr/include/math.h /usr/include/x86_64-linux-gnu/bits/math-vector.h \
 /usr/include/x86_64-linux-gnu/bits/libm-simd-decl-stubs.h \
 /usr/include/x86_64-linux-gnu/bits/flt-eval-method.h \
 /usr/include/x86_64-linux-gnu/bits/fp-logb.h \
 /usr/include/x86_64-linux-gnu/bits/fp-fast.h \
 /usr/include/x86_64-linux-gnu/bits/mathcalls-helper-functions.h \
 /usr/include/x86_64-linux-gnu/bits/mathcalls.h \
 /usr/include/x86_64-linux-gnu/bits/mathcalls-narrow.h \
 /usr/include/x86_64-linux-gnu/bits/iscanonical.h \
 /usr/include/c++/12/bits/specfun.h /usr/include/c++/12/tr1/gamma.tcc \
 /usr/include/c++/12/tr1/special_function_util.h \
 /usr/include/c++/12/tr1/bessel_function.tcc \
 /usr/include/c++/12/tr1/beta_function.tcc \
 /usr/include/c++/12/tr1/ell_integral.tcc \
 /usr/include/c++/12/tr1/exp_integral.tcc \
 /usr/include/c++/12/tr1/hypergeometric.tcc \
 /usr/include/c++/12/tr1/legendre_function.tcc \
 /usr/include/c++/12/tr1/modified_bessel_func.tcc \
 /usr/include/c++/12/tr1/poly_hermite.tcc \
 /usr/include/c++/12/tr1/poly_laguerre.tcc \
 /usr/include/c++/12/tr1/riemann_zeta.tcc \
 /usr/include/opencv4/opencv2/core/cvstd_wrapper.hpp \
 /usr/include/opencv4/opencv2/core/neon_utils.hpp \
 /usr/include/opencv4/opencv2/core/vsx_utils.hpp \
 /usr/include/opencv4/opencv2/core/check.hpp \
 /usr/include/opencv4/opencv2/core/traits.hpp \
 /usr/include/opencv4/opencv2/core/saturate.hpp \
 /usr/include/opencv4/opencv2/core/fast_math.hpp \
 /usr/include/opencv4/opencv2/core/types.hpp /usr/include/c++/12/cfloat \
 /usr/lib/gcc/x86_64-linux-gnu/12/include/float.h \
 /usr/include/opencv4/opencv2/core/bufferpool.hpp \
 /usr/include/opencv4/opencv2/core/mat.inl.hpp /usr/include/c++/12/thread \
 /usr/include/c++/12/bits/std_thread.h \
 /usr/include/c++/12/bits/this_thread_sleep.h \
 /work/main/lib_zpx_client/BodyReader.h
